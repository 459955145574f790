// The show part of the competition: its classes, switching between them, a start list for the
// whole show, the draw, scratches, clearing and undo.
#include <algorithm>
#include <filesystem>
#include <random>

#include "core/Competition.h"
#include "files/ClassRulesReader.h"
#include "files/Loading.h"
#include "files/ProtocolFile.h"
#include "results/Draw.h"
#include "results/ResultRules.h"
#include "results/TimeText.h"

namespace {

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

void Competition::RegisterShowCommands() {
    // A class that takes its results from others is changed only through them; a carried class
    // keeps its own start list and scratches.
    const auto ownRuns = [this] { return !RunPending() && OwnRuns(); };
    const auto ownStarters = [this] {
        return !RunPending() && (!show_ || show_->OpenClass().Rounds.empty());
    };
    const auto classToSwitchTo = [this] {
        return show_ && show_->ClassCount() > 1 && !RunPending();
    };
    Serve(Command::NextClass, classToSwitchTo, [this] { SwitchClass(+1); });
    Serve(Command::PreviousClass, classToSwitchTo, [this] { SwitchClass(-1); });
    Serve(Command::Scratch, ownStarters, [this] { Scratch(); });
    Serve(Command::Draw, ownRuns, [this] { DrawOpenClass(std::nullopt); });
    Serve(
        Command::Undo, [this] { return !clock_->IsActive() && OwnRuns(); }, [this] { Undo(); });
    Serve(
        Command::Clear, [this] { return OwnRuns(); },
        [this] {
            // Every result at once, and the next backup would overwrite the only copy: asked.
            if (env_.Operator.Ask("Alle Ergebnisse löschen?")) {
                // The backup keeps the results until the next entry.
                journal_.Apply("Alle Ergebnisse gelöscht",
                               [](ResultTable& table) { ClearResults(table); });
                inOrderLine_ = -1;
            }
        });
}

void Competition::Undo() {
    // Undoing the last entry gives its run back, waiting for its entry on the same starter.
    const bool givesRunBack = lastEntered_ && lastEntered_->classIndex == ClassIndex() &&
                              lastEntered_->step == journal_.TopStep() && !RunPending();
    const std::optional<ResultTable> before = journal_.Undo();
    if (!before) {
        env_.Operator.ShowMessage("Nichts rückgängig zu machen.");
        return;
    }
    const auto starters = [](const ResultTable& table) {
        std::vector<std::pair<std::string, std::string>> list;
        for (int row = 1; row < table.RowCount(); ++row) {
            list.emplace_back(table.Cell(ColStartPos, row), table.Cell(ColNr, row));
        }
        std::sort(list.begin(), list.end());
        return list;
    };
    // The current starter stays unless the undo brings back another start list.
    if (starters(*before) != starters(journal_.Table())) {
        startList_.RebuildAfterLoad();
    }
    journal_.View().SetEditMode(false);
    Arrange();
    if (givesRunBack) {
        const EnteredRun entered = *lastEntered_;
        engine_->GiveBack(entered.run);
        runStamps_ = entered.stamps;
        lastEntryPosition_ = entered.lastPositionBefore;
        inOrderLine_ = entered.inOrderLineBefore;
        dragPending_ = entered.dragPendingBefore;
        const int position = std::atoi(entered.position.c_str());
        if (position > 0) {
            startList_.GoToPosition(position - 1);
        }
    }
    lastEntered_.reset();
    SaveBackup();
}

bool Competition::LoadClass(int index) {
    const ShowClass& item = show_->Data().Classes.at(index);
    const std::string path = show_->ClassFile(index);
    // Checked when the show was opened.
    SetClassRules(ReadShowClassRules(item).Rules);
    engine_->SetPenaltySeconds(item.PenaltySeconds);
    ResultTable table;
    if (std::filesystem::exists(path)) {
        LoadedTable loaded = ReadChosenFile(path, journal_.Table(), env_.DecimalSeparator);
        if (!loaded.Error.empty()) {
            env_.Operator.ShowError("Klasse \"" + item.Name + "\" nicht geöffnet: " + loaded.Error);
            return false;
        }
        table = std::move(loaded.Table);
    } else {
        NumberStartPositions(table);
    }
    show_->SetOpenIndex(index);
    // Opening a class is no change of it: its file holds the table already.
    journal_.Open(index, OpenClassFiles(), std::move(table));
    // A class taking its results from others shows them as they are now.
    std::string taken;
    if (TakesResults(item)) {
        refreshing_ = true;
        taken = RefreshTaken(index);
        refreshing_ = false;
    }
    startList_.RebuildAfterLoad();
    journal_.View().SetEditMode(false);
    Arrange();
    // The board goes to the first starter without a result; the class file holds the table.
    startList_.GoToPosition(FirstWithoutResult(0));
    inOrderLine_ = -1;
    NoteTableSaved();
    const auto race = std::find(StartList::Races.begin(), StartList::Races.end(), item.Race);
    startList_.cbRaceChange(
        race == StartList::Races.end() ? 0 : static_cast<int>(race - StartList::Races.begin()));
    journal_.View().SetModified(false);
    dragPending_ = false;
    // The class starts clean: its own starter, an empty clock, its own last run.
    engine_->ClearBoard();
    runStamps_.clear();
    overwriting_ = false;
    lastEntered_.reset();
    RecallLastRun();
    publication_.Forget();
    if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
        env_.Operator.ShowError("Turnierdatei nicht geschrieben: " + saved.Error);
    }
    if (!taken.empty()) {
        env_.Operator.ShowMessage(taken);
    }
    return true;
}

void Competition::RefreshTakers(int changed) {
    if (!show_ || refreshing_) {
        return;
    }
    std::vector<int> takers = DownstreamOf(show_->Data(), changed);
    if (!show_->Data().Classes.at(static_cast<std::size_t>(changed)).RunsFrom.empty()) {
        takers.insert(takers.begin(), changed);  // its own start list changed
    }
    refreshing_ = true;
    for (const int taker : takers) {
        RefreshTaken(taker);
    }
    refreshing_ = false;
}

std::string Competition::RefreshTaken(int index) {
    const ShowClass& item = show_->Data().Classes.at(static_cast<std::size_t>(index));
    const int open = show_->OpenIndex();
    const auto tableOf = [this, open](int source, ResultTable& table) {
        if (source == open) {
            table = journal_.Table();
            return std::string();
        }
        return ReadClassTable(*show_, source, table, env_.DecimalSeparator);
    };
    DerivedTable made;
    if (const std::string error =
            MakeTakenTable(*show_, index, tableOf, env_.DecimalSeparator, made);
        !error.empty()) {
        env_.Operator.ShowError("Klasse \"" + item.Name + "\" nicht nachgeführt: " + error);
        return {};
    }
    std::string detail;
    if (!made.Missing.empty()) {
        detail = "Startnummern, die \"" + item.RunsFrom + "\" nicht hat:";
        for (const std::string& number : made.Missing) {
            detail += " " + number;
        }
    } else if (made.Rounds > 0) {
        detail = "Es zählen " + std::to_string(made.RoundsCounted) + " von " +
                 std::to_string(made.Rounds) + " Runden";
    }
    const std::string what = "Aus \"" + ResultsSource(item) + "\" übernommen";
    std::string message;
    if (index == open) {
        message = journal_.Apply(
            what,
            [&](ResultTable& table) {
                table.SetRowCount(made.Table.RowCount());
                for (int row = 1; row < made.Table.RowCount(); ++row) {
                    const auto& cells = made.Table.Row(row);
                    table.SetRow(row, std::vector<std::string>(cells.begin(), cells.end()));
                }
            },
            detail);
    } else {
        ResultTable before;
        ReadClassTable(*show_, index, before, env_.DecimalSeparator);
        if (!TableChanges(before, made.Table).empty()) {
            message = journal_.ApplyToClass(index, {show_->LogFile(index), show_->ClassFile(index)},
                                            before, made.Table, what, detail);
        }
    }
    if (!message.empty()) {
        env_.Operator.ShowError("Klasse \"" + item.Name + "\": " + message);
    }
    return made.Missing.empty() ? std::string() : "Klasse \"" + item.Name + "\": " + detail;
}

bool Competition::LoadShowList(const std::string& path) {
    const ShowEntryList list = ReadShowEntries(path, env_.DecimalSeparator);
    if (!list.HasClassColumn && list.Error.empty()) {
        return false;
    }
    if (!list.Error.empty()) {
        env_.Operator.ShowError(list.Error);
    } else if (!show_) {
        env_.Operator.ShowError(
            "Die Startliste hat eine Spalte \"Klasse\": sie gehört zu einem Turnier. Erst die "
            "Turnierdatei öffnen (corralix Turnier.json), dann die Startliste laden.");
    } else if (RunPending()) {
        MayReplaceTable();  // says why
    } else {
        ImportShowList(path, list.Entries);
    }
    return true;
}

void Competition::ImportShowList(const std::string& path, const std::vector<ShowEntry>& entries) {
    ShowData data = show_->Data();
    const int open = show_->OpenIndex();
    // Every class's share, read and prepared before anything is written.
    struct Share {
        int Index = 0;
        bool Added = false;
        ResultTable Before;
        ResultTable After;
        NewStarters Starters;
        bool Late = false;
    };
    std::vector<Share> shares;
    std::vector<std::string> order;
    // Class names as the office typed them: "jugend " is the class "Jugend".
    std::map<std::string, std::vector<ShowEntry>> byClass;
    for (const ShowEntry& entry : entries) {
        auto& list = byClass[AsciiLower(entry.ClassName)];
        if (list.empty()) {
            order.push_back(entry.ClassName);
        }
        list.push_back(entry);
    }
    int late = 0;
    for (const std::string& name : order) {
        Share share;
        share.Index = -1;
        for (std::size_t i = 0; i < data.Classes.size() && share.Index < 0; ++i) {
            if (AsciiLower(data.Classes[i].Name) == AsciiLower(name)) {
                share.Index = static_cast<int>(i);
            }
        }
        if (share.Index < 0) {
            share.Index =
                AddShowClass(data, FolderOf(show_->FilePath()), name, show_->OpenClass().Race);
            share.Added = true;
        } else if (share.Index == open) {
            share.Before = journal_.Table();
        } else if (const std::string error =
                       ReadClassTable(*show_, share.Index, share.Before, env_.DecimalSeparator);
                   !error.empty()) {
            env_.Operator.ShowError("Klasse \"" + name + "\" nicht gelesen: " + error +
                                    ". Die Startliste wurde nicht übernommen.");
            return;
        }
        share.Starters = NewStartersOf(share.Before, byClass[AsciiLower(name)]);
        share.Late = HasStarters(share.Before) && !share.Starters.Added.empty();
        late += share.Late ? static_cast<int>(share.Starters.Added.size()) : 0;
        shares.push_back(std::move(share));
    }
    // The new classes are known from here on; the show file is written once their files are.
    show_->Data() = data;
    std::optional<std::uint64_t> seed;
    if (late > 0) {
        std::string classes;
        for (const Share& share : shares) {
            if (share.Late) {
                classes += (classes.empty() ? "" : ", ") + data.Classes[share.Index].Name + ": " +
                           std::to_string(share.Starters.Added.size());
            }
        }
        if (env_.Operator.Ask(std::to_string(late) +
                              (late == 1 ? " Nachmeldung" : " Nachmeldungen") + " (" + classes +
                              ").\nIn den Teil der Startfolge auslosen, der noch nicht gelaufen "
                              "ist? \"Nein\" setzt sie ans Ende.")) {
            seed = std::uint64_t{std::random_device{}()};
        }
    }
    // Who has run, and the starter at the gate, keep their places.
    const auto fixedOf = [&](const Share& share) {
        int fixed = share.Index == open ? startList_.StNrIndex() + 1 : 0;
        for (int row = 1; row < share.Before.RowCount(); ++row) {
            if (RowHasRun(share.Before, row)) {
                fixed = std::max(fixed, std::atoi(share.Before.Cell(ColStartPos, row).c_str()));
            }
        }
        return fixed;
    };
    std::string report = "Startliste für das Turnier eingelesen: " + path;
    std::vector<std::string> doubled;
    std::string failed;
    const std::string detail =
        seed ? path + ", Nachmeldungen ausgelost mit Startwert " + std::to_string(*seed) : path;
    for (Share& share : shares) {
        const ShowClass& item = show_->Data().Classes.at(share.Index);
        share.After = share.Before;
        std::vector<int> drawn;
        if (!share.Starters.Added.empty()) {
            drawn = AddStarters(share.After, share.Starters.Added, fixedOf(share),
                                item.Draw.HorseGap, share.Late ? seed : std::nullopt);
        }
        report += "\n" + item.Name + ": " + std::to_string(share.Starters.Added.size()) + " neu";
        if (share.Late) {
            report += seed ? " (Nachmeldungen ausgelost)" : " (Nachmeldungen am Ende)";
        }
        if (share.Starters.Known > 0) {
            report += ", " + std::to_string(share.Starters.Known) + " schon eingeteilt";
        }
        if (share.Added) {
            report += ", Klasse neu angelegt (" + item.Race + ", Datei " + item.File + ")";
        }
        for (const std::string& starter : share.Starters.Doubled) {
            doubled.push_back(item.Name + ": " + starter);
        }
        if (share.Starters.Added.empty()) {
            continue;
        }
        if (share.Index == open) {
            // The starter at the gate stays the current one.
            const int current = startList_.StNrIndex();
            ReplaceTable("Startliste eingelesen", share.After, detail);
            const auto at = std::find(drawn.begin(), drawn.end(), current);
            startList_.GoToPosition(current < 0 || at == drawn.end()
                                        ? FirstWithoutResult(0)
                                        : static_cast<int>(at - drawn.begin()));
            SaveBackup();
            continue;
        }
        const std::string message = journal_.ApplyToClass(
            share.Index, {show_->LogFile(share.Index), show_->ClassFile(share.Index)}, share.Before,
            share.After, "Startliste eingelesen", detail);
        if (!message.empty()) {
            failed += "\n" + item.Name + ": " + message;
        }
    }
    if (std::any_of(shares.begin(), shares.end(), [](const Share& share) { return share.Added; })) {
        if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
            failed += "\nTurnierdatei nicht geschrieben: " + saved.Error;
        }
    }
    if (!doubled.empty()) {
        report += "\n\nDoppelt gemeldet, nur einmal übernommen:";
        for (const std::string& starter : doubled) {
            report += "\n" + starter;
        }
    }
    if (!failed.empty()) {
        env_.Operator.ShowError(report + "\n\nNicht geschrieben:" + failed);
    } else {
        env_.Operator.ShowMessage(report);
    }
}

void Competition::Scratch() {
    const int row = startList_.StarterRow();
    if (row < 0) {
        env_.Operator.ShowError("Kein Starter gewählt.");
        return;
    }
    const ResultTable& table = journal_.Table();
    const std::string who = "Nr. " + std::string(TrimText(table.Cell(ColNr, row)));
    if (RowHasRun(table, row)) {
        env_.Operator.ShowError(who +
                                " hat bereits ein Ergebnis und kann nicht abgemeldet werden.");
        return;
    }
    const bool scratch = !RowScratched(table, row);
    journal_.Apply(scratch ? "Abgemeldet" : "Abmeldung aufgehoben", [&](ResultTable& edited) {
        edited.SetCell(ColGrund, row, scratch ? std::string(ScratchedText) : std::string());
    });
    SaveBackup();
    if (scratch) {
        startList_.GoToPosition(FirstWithoutResult(startList_.StNrIndex() + 1));
    }
}

void Competition::OpenClass(int index) {
    env_.Operator.CommitEdits();
    if (!show_ || index < 0 || index >= show_->ClassCount() || index == show_->OpenIndex()) {
        Notify(Change::All);
        return;
    }
    if (RunPending()) {
        env_.Operator.ShowError("Klassenwechsel erst, wenn der Lauf eingetragen ist.");
        Notify(Change::All);
        return;
    }
    // The class file holds every change already; written once more so the folder is whole.
    const FileWriteResult written = ReplaceFileBytes(
        show_->ClassFile(show_->OpenIndex()), EncodeBackup(journal_.Table()), env_.FileWrite);
    if (!written.Ok()) {
        env_.Operator.ShowError("Klassendatei nicht geschrieben: " + written.Error +
                                ". Die Klasse bleibt offen.");
        Notify(Change::All);
        return;
    }
    LoadClass(index);
    Notify(Change::All);
}

void Competition::SwitchClass(int step) {
    if (show_) {
        OpenClass(std::clamp(show_->OpenIndex() + step, 0, show_->ClassCount() - 1));
    }
}

void Competition::DrawOpenClass(std::optional<std::uint64_t> seed) {
    env_.Operator.CommitEdits();
    if (RunPending()) {
        env_.Operator.ShowError("Auslosen erst, wenn der Lauf eingetragen ist.");
        return;
    }
    bool results = false;
    for (int row = 1; row < journal_.Table().RowCount(); ++row) {
        results = results || RowHasRun(journal_.Table(), row);
    }
    if (results && !env_.Operator.Ask("Die Klasse hat bereits Ergebnisse. Neu auslosen? Wer "
                                      "gelaufen ist, bleibt vorn.")) {
        return;
    }
    ShowClass single;
    ShowClass& item = show_ ? show_->Data().Classes.at(show_->OpenIndex()) : single;
    // A seed the show office prepared gives the order it expects; another only when asked for.
    if (!seed && item.Draw.Seed) {
        const bool same = env_.Operator.Ask(
            "Die Turnierdatei nennt für die Klasse \"" + item.Name + "\" den Startwert " +
                std::to_string(*item.Draw.Seed) +
                ".\nMit diesem Startwert auslosen (dieselbe Startfolge wie mit --draw)?\n"
                "\"Nein\" lost mit einem neuen Startwert aus.",
            IOperator::Focus::Ja);
        if (same) {
            seed = item.Draw.Seed;
        }
    }
    ResultTable drawn = journal_.Table();
    const ClassDraw report = DrawClass(drawn, item, seed);
    NumberStartPositions(drawn);
    ReplaceTable("Auslosung", drawn, report.Text);
    SaveBackup();
    if (show_) {
        // The draw closes the entries: who scratched before it never paid in.
        SetClassRules(ReadShowClassRules(item).Rules);
    }
    if (show_) {
        if (const FileWriteResult saved = show_->Save(); !saved.Ok()) {
            env_.Operator.ShowError("Turnierdatei nicht geschrieben: " + saved.Error);
        }
    }
    env_.Operator.ShowMessage(report.Text);
    Notify(Change::All);
}

std::optional<AnnouncerAverage> Competition::AverageOnCourse(const std::string& number) const {
    if (!show_ || TrimText(number).empty()) {
        return std::nullopt;
    }
    const int open = show_->OpenIndex();
    const ShowData& data = show_->Data();
    for (const int taker : TakersOf(data, open)) {
        const ShowClass& average = data.Classes.at(static_cast<std::size_t>(taker));
        if (average.Rounds.empty()) {
            continue;
        }
        StandingContext context;
        context.SystemSeparator = env_.DecimalSeparator;
        std::vector<Round> rounds;
        int round = 0;
        for (const std::string& name : average.Rounds) {
            const int index = FindShowClass(data, name);
            ResultTable table;
            if (index == open) {
                round = static_cast<int>(rounds.size());
                table = journal_.Table();
            } else if (!ReadClassTable(*show_, index, table, env_.DecimalSeparator).empty()) {
                return std::nullopt;
            }
            const ClassRules rules =
                ReadShowClassRules(data.Classes.at(static_cast<std::size_t>(index))).Rules;
            rounds.push_back({name, MakeStanding(table, rules, context)});
        }
        const ClassRules rules = ReadShowClassRules(average).Rules;
        const AverageOutlook outlook = OutlookInAverage(rounds, round, number, rules);
        if (!outlook.InAverage) {
            return std::nullopt;
        }
        const Resolution resolution = ResolutionOf(rules);
        const char separator = CurrentStanding().DecimalSeparator;
        AnnouncerAverage shown;
        shown.className = average.Name;
        shown.roundsBefore = outlook.RoundsBefore;
        shown.soFar =
            outlook.RoundsBefore > 0 ? FormatTimeText(outlook.SoFarMs, separator, resolution) : "";
        shown.place = outlook.Place;
        if (outlook.NeededMs && *outlook.NeededMs > 0) {
            shown.needs = FormatTimeText(*outlook.NeededMs, separator, resolution);
        }
        for (const MoneyNeed& need : outlook.MoneyNeeds) {
            shown.money.emplace_back(rules.HasDivisions() ? DivisionName(need.Division) : "",
                                     FormatTimeText(need.NeededMs, separator, resolution));
        }
        return shown;
    }
    return std::nullopt;
}
