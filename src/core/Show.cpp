#include "core/Show.h"

#include <filesystem>
#include <random>

#include "files/ClassRulesReader.h"
#include "files/Export.h"
#include "results/Draw.h"
#include "results/Jackpot.h"
#include "results/ResultTable.h"

std::optional<Show> Show::Open(const std::string& path, std::string& error) {
    std::optional<ShowData> data = ReadShowFile(path, error);
    if (!data) {
        return std::nullopt;
    }
    // The jackpot settings of each class are checked now, not when the class is opened.
    for (std::size_t i = 0; i < data->Classes.size(); ++i) {
        const ClassRulesReading rules = ReadClassRules(data->Classes[i].Json);
        if (!rules.Ok()) {
            error = "Turnierdatei, classes[" + std::to_string(i) + "] (\"" + data->Classes[i].Name +
                    "\"): " + rules.Error;
            return std::nullopt;
        }
    }
    return Show(std::move(*data), path);
}

std::string Show::ClassFile(int index) const {
    return (std::filesystem::path(path_).parent_path() / data_.Classes.at(index).File).string();
}

std::string ReadClassTable(const Show& show, int index, ResultTable& table, char decimalSeparator) {
    const std::string path = show.ClassFile(index);
    if (!std::filesystem::exists(path)) {
        ResultTable empty;
        table = empty;
        return {};
    }
    return ReadTableForExport(path, table, decimalSeparator);
}

ClassDraw DrawClass(ResultTable& table, ShowClass& item, std::optional<std::uint64_t> seed) {
    ClassDraw report;
    // A new seed is short enough to be read out and typed again, and every seed fits the
    // show file's whole numbers.
    report.Seed = seed ? *seed : std::uint64_t{std::random_device{}()};
    const std::vector<DrawEntry> entries = DrawEntriesOf(table);
    report.Outcome = DrawStartOrder(entries, item.Draw.HorseGap, report.Seed);
    ApplyStartOrder(table, report.Outcome.Order);
    item.Draw.Seed = report.Seed;
    item.Draw.Scratched.clear();
    for (int row = 1; row < table.RowCount(); ++row) {
        if (RowScratched(table, row)) {
            item.Draw.Scratched.push_back(StarterKey(table, row));
        }
    }
    int ran = 0;
    for (const DrawEntry& entry : entries) {
        ran += entry.HasRun ? 1 : 0;
    }
    report.Text = "Klasse \"" + item.Name + "\" ausgelost mit Startwert " +
                  std::to_string(report.Seed) + ": " + std::to_string(entries.size()) + " Starter";
    if (ran > 0) {
        report.Text += ", " + std::to_string(ran) + " mit Ergebnis bleiben vorn";
    }
    if (!report.Outcome.GapMet) {
        report.Text += ". Pferdeabstand " + std::to_string(item.Draw.HorseGap) +
                       " nicht überall möglich: kleinster Abstand " +
                       std::to_string(report.Outcome.ShortestGap);
    }
    return report;
}
