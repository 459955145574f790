#include "files/ShowFile.h"

#include "TempFolder.h"
#include "files/ShowEntries.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr const char* GoodShow = R"({
  "show": {"name": "Herbstturnier", "date": "2026-10-03", "place": "Kleinweiler",
           "arena": "Halle 1", "sponsor": "Sattlerei"},
  "classes": [
    {"name": "Open", "race": "Barrel Racing", "file": "open.txt",
     "thousandths": true, "divisions": [0.5, 1.0],
     "draw": {"drag_every": 5, "horse_gap": 3, "colour": "blau"}},
    {"name": "Jugend", "race": "Pole Bending", "file": "jugend.txt", "penalty_seconds": 3}
  ],
  "office": {"phone": "0123", "fee_per_rider": 10, "fee_per_horse": 25.5}
}
)";

TEST(ShowFile, ReadsTheClassesAndKeepsEveryKeyItDoesNotOwnWhenWritten) {
    std::string error;
    std::optional<ShowData> show = ParseShowText(GoodShow, error);
    ASSERT_TRUE(show) << error;
    ASSERT_EQ(show->Classes.size(), 2u);
    EXPECT_EQ(show->Head.Place, "Kleinweiler");
    EXPECT_EQ(show->Classes[0].Draw.DragEvery, 5);
    EXPECT_EQ(show->Classes[1].PenaltySeconds, 3);
    EXPECT_EQ(show->Classes[0].PenaltySeconds, 5);
    EXPECT_EQ(show->OpenClass, "Open");
    EXPECT_EQ(show->Office.PerRiderCents, 1000);
    EXPECT_EQ(show->Office.PerHorseCents, 2550);

    show->Classes[0].Draw.Seed = 42;
    show->OpenClass = "Jugend";
    std::optional<ShowData> again = ParseShowText(ShowText(*show), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->OpenClass, "Jugend");
    EXPECT_EQ(again->Classes[0].Draw.Seed, 42u);
    EXPECT_EQ(again->Json["show"]["sponsor"], "Sattlerei");
    EXPECT_EQ(again->Json["office"]["phone"], "0123");
    EXPECT_EQ(again->Office.PerHorseCents, 2550);
    EXPECT_EQ(again->Classes[0].Json["thousandths"], true);
    EXPECT_EQ(again->Classes[0].Json["divisions"].size(), 2u);
    EXPECT_EQ(again->Classes[0].Json["draw"]["colour"], "blau");
}

TEST(ShowFile, RefusesABrokenFileWithTheReasonAndThePlace) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"{\n\"classes\": [\n{\"name\": \"A\",, }\n]}", "kein gültiges JSON (Zeile 3)"},
        {"{\n\"classes\": []\n}", "Zeile 2, classes: muss eine Liste"},
        {"{\"classes\": [\n{\"name\": \"A\", \"file\": \"a.txt\"},\n{\"name\": \"B\",\n"
         "\"file\": \"b.txt\", \"draw\": {\n\"horse_gap\": -2}}]}",
         "Zeile 5, classes[1].draw.horse_gap: muss eine ganze Zahl"},
        {"{\"classes\": [\n{\"name\": \"A\",\n\"race\": \"Rodeo\", \"file\": \"a.txt\"}]}",
         "Zeile 3, classes[0].race: unbekannte Disziplin \"Rodeo\""},
        {"{\"classes\": [\n{\"name\": \"A\", \"file\": \"../a.txt\"}]}",
         "Zeile 2, classes[0].file: muss ein Dateiname im Turnierordner sein"},
        {"{\"classes\": [{\"name\": \"A\", \"file\": \"a.txt\"},\n{\"name\": \"A\", \"file\": "
         "\"b.txt\"}]}",
         "Zeile 2, classes[1]: Klasse \"A\" steht zweimal"},
        {"{\"show\": {\"date\": \"3.10.2026\"}, \"classes\": [{\"name\": \"A\", \"file\": "
         "\"a.txt\"}]}",
         "Zeile 1, show.date: muss ein Datum"},
        {"{\"classes\": [{\"name\": \"A\", \"file\": \"a.txt\"}],\n\"office\": {\n"
         "\"fee_per_horse\": 12.345}}",
         "Zeile 3, office.fee_per_horse: genauer als auf den Cent angegeben"},
        {"{\"classes\": [{\"name\": \"A\", \"file\": \"a.txt\"}],\n\"office\": {\n"
         "\"fee_per_rider\": \"10\"}}",
         "Zeile 3, office.fee_per_rider: eine Zahl erwartet"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseShowText(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // Nested 150,000 levels deep: refused with a message, where it took the program down.
    const std::string deep =
        "{\"classes\": " + std::string(150000, '[') + std::string(150000, ']') + "}";
    std::string error;
    EXPECT_FALSE(ParseShowText(deep, error));
    EXPECT_EQ(error,
              "Turnierdatei ist zu tief verschachtelt (mehr als 64 Ebenen) – keine Turnierdatei");
    // As deep as a show file may go: read, and refused only for what it holds.
    const std::string deepest = "{\"x\": " + std::string(63, '[') + std::string(63, ']') + "}";
    EXPECT_FALSE(ParseShowText(deepest, error));
    EXPECT_NE(error.find("classes: muss eine Liste"), std::string::npos) << error;
}

TEST(ShowFile, ReadsAClassTeamRuleKeepsItWhenWrittenAndRefusesAWrongOneWithThePlace) {
    std::string error;
    std::optional<ShowData> show = ParseShowText(
        R"({"classes": [{"name": "Mannschaft", "file": "m.txt",
                          "team": {"best": 3, "title": "Vereinswertung"}},
                         {"name": "Open", "file": "o.txt"}]})",
        error);
    ASSERT_TRUE(show) << error;
    EXPECT_EQ(show->Classes[0].TeamBest, 3);
    EXPECT_EQ(show->Classes[1].TeamBest, 0);
    std::optional<ShowData> again = ParseShowText(ShowText(*show), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->Classes[0].TeamBest, 3);
    EXPECT_EQ(again->Classes[0].Json["team"]["title"], "Vereinswertung");
    EXPECT_FALSE(again->Classes[1].Json.contains("team"));

    const std::pair<const char*, const char*> wrong[] = {
        {"\"team\": 2", "Zeile 3, classes[1].team: muss ein Objekt"},
        {"\"team\": {}", "Zeile 3, classes[1].team.best: fehlt"},
        {"\"team\": {\"best\": 0}",
         "Zeile 3, classes[1].team.best: muss eine ganze Zahl von 1 bis"},
        {"\"team\": {\"best\": 2.5}", "classes[1].team.best: muss eine ganze Zahl"},
        {"\"team\": {\"best\": \"3\"}", "classes[1].team.best: muss eine ganze Zahl"},
    };
    for (const auto& [key, message] : wrong) {
        const std::string text = std::string(
                                     "{\"classes\": [{\"name\": \"A\", \"file\": \"a.txt\"},\n"
                                     "{\"name\": \"B\", \"file\": \"b.txt\",\n") +
                                 key + "}]}";
        EXPECT_FALSE(ParseShowText(text, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

TEST(ShowFile, ReadsCarriedClassesAndAveragesAndRefusesTheirWrongNamesWithThePlace) {
    std::string error;
    const std::optional<ShowData> show = ParseShowText(R"({"classes": [
      {"name": "Open 1", "file": "o1.txt"}, {"name": "Open 2", "file": "o2.txt"},
      {"name": "Jugend", "file": "j.txt", "runs_from": "Open 1"},
      {"name": "Schnitt", "file": "s.txt", "rounds": ["Open 1", "Open 2"]}]})",
                                                       error);
    ASSERT_TRUE(show) << error;
    EXPECT_EQ(show->Classes[2].RunsFrom, "Open 1");
    EXPECT_EQ(show->Classes[3].Rounds, (std::vector<std::string>{"Open 1", "Open 2"}));
    std::optional<ShowData> again = ParseShowText(ShowText(*show), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->Classes[2].RunsFrom, "Open 1");
    EXPECT_EQ(again->Classes[3].Rounds.size(), 2u);
    // A class may take from one that takes in turn: a youth average of carried rounds.
    EXPECT_TRUE(ParseShowText(R"({"classes": [
      {"name": "Open 1", "file": "o1.txt"}, {"name": "Open 2", "file": "o2.txt"},
      {"name": "Jugend 1", "file": "j1.txt", "runs_from": "Open 1"},
      {"name": "Jugend 2", "file": "j2.txt", "runs_from": "Open 2"},
      {"name": "Jugend Schnitt", "file": "js.txt", "rounds": ["Jugend 1", "Jugend 2"]}]})",
                              error))
        << error;

    const std::string open = R"({"classes": [{"name": "Open", "file": "o.txt"},
{"name": "Open 2", "file": "o2.txt", "thousandths": true},
)";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {open + R"({"name": "J", "file": "j.txt", "runs_from": "Opne"}]})",
         "Zeile 3, classes[2].runs_from: Klasse \"Opne\" gibt es im Turnier nicht"},
        {open + R"({"name": "J", "file": "j.txt", "runs_from": "J"}]})",
         "classes[2].runs_from: Klasse \"J\" kann nicht aus sich selbst zählen"},
        {open + R"({"name": "J", "file": "j.txt", "runs_from": "Open 2"}]})",
         "Zeile 3, classes[2].runs_from: \"thousandths\" von \"J\" (false) muss dem von "
         "\"Open 2\" (true) gleichen"},
        {open + R"({"name": "J", "file": "j.txt", "runs_from": "K"},
{"name": "K", "file": "k.txt", "rounds": ["Open", "J"]}]})",
         "Zeile 3, classes[2].runs_from: die Klassen zählen im Kreis: J → K → J"},
        {open + R"({"name": "S", "file": "s.txt", "rounds": ["Open", "Open"]}]})",
         "classes[2].rounds[1]: Runde \"Open\" steht zweimal in der Liste"},
        {open + R"({"name": "S", "file": "s.txt", "rounds": "Open"}]})",
         "classes[2].rounds: muss eine Liste von Klassennamen sein"},
        {open + R"({"name": "S", "file": "s.txt", "rounds": ["Open"], "runs_from": "Open"}]})",
         "classes[2].rounds: eine Klasse mit Runden hat keine Läufe aus einer anderen"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ParseShowText(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// A show folder from elsewhere may hold links: the show file, a class file, its change log or a
// folder on the way to one that is a link (or no file at all) is refused, never read or written.
TEST(ShowFile, RefusesAShowWhoseFilesAreLinksOrLieOutsideItsFolder) {
    namespace fs = std::filesystem;
    TempFolder outside;
    WriteAll(outside.File("geheim.txt"), "1;Fremd;Pferd\r\n");
    const struct {
        const char* name;
        std::function<void(const fs::path&)> lay;
        std::string message;  // empty: read
    } cases[] = {
        {"files", [](const fs::path& show) { WriteAll(show / "a.txt", "1;A;B\r\n"); }, ""},
        {"class file not there yet", [](const fs::path&) {}, ""},
        {"class file a link",
         [&](const fs::path& show) {
             fs::create_symlink(outside.File("geheim.txt"), show / "a.txt");
         },
         "Zeile 2, classes[0].file: \"a.txt\" ist ein Link – Klassendateien und ihre "
         "Änderungsprotokolle müssen Dateien im Turnierordner sein"},
        {"change log a link leading nowhere",
         [&](const fs::path& show) {
             fs::create_symlink(outside.File("neu.log"), show / "a.txt.log");
         },
         "classes[0].file: \"a.txt.log\" ist ein Link"},
        {"class file a folder", [](const fs::path& show) { fs::create_directory(show / "a.txt"); },
         "classes[0].file: \"a.txt\" ist keine Datei"},
        {"show file a link",
         [&](const fs::path& show) {
             fs::rename(show / "Turnier.json", outside.Path() / "Turnier.json");
             fs::create_symlink(outside.Path() / "Turnier.json", show / "Turnier.json");
         },
         "Turnierdatei ist ein Link, keine Datei im Turnierordner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        WriteAll(folder.File("Turnier.json"),
                 "{\"classes\": [\n{\"name\": \"A\", \"file\": \"a.txt\"}]}");
        c.lay(folder.Path());
        std::string error;
        EXPECT_EQ(ReadShowFile(folder.File("Turnier.json"), error).has_value(), c.message.empty());
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        fs::remove(outside.Path() / "Turnier.json");
    }
    // A class file in a subfolder that is a link to a folder elsewhere.
    TempFolder folder;
    WriteAll(folder.File("Turnier.json"),
             R"({"classes": [{"name": "A", "file": "sub/geheim.txt"}]})");
    fs::create_directory_symlink(outside.Path(), folder.Path() / "sub");
    std::string error;
    EXPECT_FALSE(ReadShowFile(folder.File("Turnier.json"), error));
    EXPECT_NE(error.find("\"sub/geheim.txt\" liegt außerhalb des Turnierordners"),
              std::string::npos)
        << error;
    EXPECT_EQ(ReadAll(outside.File("geheim.txt")), "1;Fremd;Pferd\r\n");
}

// The show office's lists: the columns by their titles, CSV with "," and quotes, and a line
// without a class refused with its number.
TEST(ShowEntries, FindsTheColumnsByTheirTitlesAndRefusesALineWithoutAClass) {
    const struct {
        const char* name;
        const char* text;
        const char* first;  // class|number|rider|horse|member of the first entry, or the error
    } lists[] = {
        {"semikolon.txt", "Nr.;Pferd;Reiter;Klasse\r\n7;Blue;Anna Berg;Open\r\n",
         "Open|7|Anna Berg|Blue|"},
        {"mitglied.txt", "Klasse;Mitglied;Name;Pferd\n Open ; 4711 ;Anna Berg;Blue\n",
         "Open||Anna Berg|Blue|4711"},
        {"komma.csv", "Klasse,Name,Pferd\n\"Jugend, U16\",\"Berg, Anna\",\"Blue \"\"B\"\"\"\n",
         "Jugend, U16||Berg, Anna|Blue \"B\"|"},
        {"luecke.txt", "Klasse\tNr.\tName\tPferd\n\nOpen\t1\tAnna\tBlue\n\t2\tBen\tRio\n",
         "luecke.txt, Zeile 4: keine Klasse angegeben. Die Startliste wurde nicht übernommen."},
    };
    TempFolder folder;
    for (const auto& list : lists) {
        SCOPED_TRACE(list.name);
        WriteAll(folder.File(list.name), list.text);
        const ShowEntryList read = ReadShowEntries(folder.File(list.name), ',');
        EXPECT_TRUE(read.HasClassColumn);
        const std::string first = read.Entries.empty()
                                      ? read.Error
                                      : read.Entries[0].ClassName + "|" + read.Entries[0].Number +
                                            "|" + read.Entries[0].Rider + "|" +
                                            read.Entries[0].Horse + "|" + read.Entries[0].Member;
        EXPECT_EQ(first, list.first);
    }
    // As long as a start list may be, and no longer.
    std::string lines = "Klasse;Name\n";
    for (int line = 1; line <= 10000; ++line) {
        lines += "Open;Reiter " + std::to_string(line) + "\n";
    }
    WriteAll(folder.File("zuviel.txt"), lines);
    EXPECT_EQ(ReadShowEntries(folder.File("zuviel.txt"), ',').Error,
              "Die Datei ist zu groß für eine Starterliste (mehr als 10000 Zeilen): " +
                  folder.File("zuviel.txt"));
}

}  // namespace
