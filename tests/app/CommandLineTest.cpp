#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "OfficeShow.h"
#include "TempFolder.h"
#include "office/Register.h"

namespace {

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program with no display at all, as from a script on a server.
Finished RunProgram(const std::vector<std::string>& args) {
    QStringList arguments;
    for (const std::string& arg : args) {
        arguments << QString::fromStdString(arg);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(CORRALIX_PROGRAM, arguments);
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {program.exitCode(), program.readAllStandardOutput().toStdString(),
            program.readAllStandardError().toStdString()};
}

class CommandLine : public testing::Test {
protected:
    void SetUp() override {
        WriteAll(input_, "1;Jürgen Müller;Blitz\r\n2;<b>Kim</b> & Co;\"Rio\"\r\n");
    }
    TempFolder folder_;
    const std::string input_ = folder_.File("start.txt");
};

TEST_F(CommandLine, ExportWritesPageAndPdfWithoutADisplayAndNamesEachFile) {
    const std::string page = folder_.File("ergebnis.html");
    const std::string pdf = folder_.File("ergebnis.pdf");

    const Finished run =
        RunProgram({"--race", "Pole Bending", "--export", page, "--export", pdf, input_});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, page + "\n" + pdf + "\n");
    const std::string html = ReadAll(page);
    EXPECT_NE(html.find("</svg>Ergebnisliste \xC2\xB7 Pole Bending \xC2\xB7 nach Rang</h1>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"r\">2</td><td>&lt;b&gt;Kim&lt;/b&gt; &amp; Co</td>"
                        "<td>&quot;Rio&quot;</td>"),
              std::string::npos);
    EXPECT_EQ(ReadAll(pdf).substr(0, 5), "%PDF-");
}

// A result list is ranked; the table as it was run, only when asked for, and its head says so.
TEST_F(CommandLine, TheResultListIsRankedUnlessStartOrderIsAskedFor) {
    WriteAll(input_, "1;Anna;Blue;;16,00;0;;;16,00\r\n2;Ben;Rio;;15,00;0;;;15,00\r\n");
    const std::string ranked = folder_.File("rang.html");
    const std::string started = folder_.File("start.html");
    ASSERT_EQ(RunProgram({"--export", ranked, input_}).exitCode, 0);
    ASSERT_EQ(RunProgram({"--export", started, "--start-order", input_}).exitCode, 0);
    const std::string byPlace = ReadAll(ranked);
    const std::string byStart = ReadAll(started);
    EXPECT_LT(byPlace.find(">Ben<"), byPlace.find(">Anna<"));
    EXPECT_LT(byStart.find(">Anna<"), byStart.find(">Ben<"));
    EXPECT_NE(byStart.find("\xC2\xB7 in Startfolge</h1>"), std::string::npos);
}

TEST_F(CommandLine, FailuresExitNonZeroWithAMessageAndWriteNothing) {
    const std::string page = folder_.File("ergebnis.html");
    const std::string noFolder = folder_.File("fehlt/ergebnis");
    const std::string workbook = folder_.File("rich.xlsx");
    ASSERT_EQ(RunProgram({"--export", workbook, input_}).exitCode, 0);
    const std::string workbookBytes = ReadAll(workbook);
    std::filesystem::create_directory(folder_.File("sub"));
    WriteAll(folder_.File("leer.txt"), "");
    WriteAll(folder_.File("programm.txt"), std::string("\x7F"
                                                       "ELF\x02\x01\x01\0\0\0;x;y\n",
                                                       15));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--export", page, folder_.File("fehlt.txt")}, 1, "Datei kann nicht gelesen werden: "},
        {{"--export", noFolder + ".html", input_}, 1, "Der Schreibfehler der Datei: " + noFolder},
        {{"--export", noFolder + ".pdf", input_}, 1, "Der Schreibfehler der Datei: " + noFolder},
        {{"--export", folder_.File("ergebnis.doc"), input_}, 1, "Dateityp wird nicht unterstützt"},
        {{"--export", folder_.File("sub/../rich.xlsx"), workbook}, 1, "Eingabedatei selbst"},
        {{"--export", page, folder_.File("leer.txt")}, 1, "Keine Starter gefunden"},
        {{"--export", page, folder_.File("programm.txt")}, 1, "keine Textdatei"},
        {{"--export", page}, 2, "genau eine EINGABE"},
        {{input_, "--export"}, 2, "--export braucht einen Wert"},
    };
    for (const Case& c : cases) {
        const Finished run = RunProgram(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"leer.txt", "programm.txt", "rich.xlsx", "start.txt",
                                               "sub"}))
        << "no output, no temporary file";
    EXPECT_EQ(ReadAll(workbook), workbookBytes);
}

TEST_F(CommandLine, DrawsAndExportsAClassOfAShowAndRefusesAClassItDoesNotHave) {
    const std::string show = folder_.File("Turnier.json");
    WriteAll(show, R"({"show": {"name": "Herbst"}, "classes": [
        {"name": "Jugend", "race": "Pole Bending", "file": "start.txt"}]})");
    const std::string before = ReadAll(input_);

    const Finished drawn = RunProgram({"--draw", show, "--class", "Jugend", "--seed", "12"});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
    EXPECT_NE(drawn.out.find("Startwert 12"), std::string::npos) << drawn.out;
    EXPECT_NE(ReadAll(show).find("\"seed\": 12"), std::string::npos);
    EXPECT_NE(ReadAll(folder_.File("start.txt.log")).find("Auslosung"), std::string::npos);
    const std::string order = ReadAll(input_);
    EXPECT_NE(order.find("Kim"), std::string::npos);
    WriteAll(input_, before);
    ASSERT_EQ(RunProgram({"--draw", show, "--class", "Jugend", "--seed", "12"}).exitCode, 0);
    EXPECT_EQ(ReadAll(input_), order) << "the same seed, the same order";

    const std::string page = folder_.File("jugend.html");
    const Finished exported = RunProgram({"--export", page, show, "--class", "Jugend"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(ReadAll(page).find("Pole Bending"), std::string::npos);

    const Finished missing = RunProgram({"--draw", show, "--class", "Open"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("Die Klasse \"Open\" gibt es in"), std::string::npos);
}

// The average of two go-rounds has no file of its own yet: its payout sheet is made from the
// rounds' files as they are.
TEST_F(CommandLine, ExportsTheAverageOfTwoGoRoundsFromTheirFiles) {
    const std::string show = folder_.File("Turnier.json");
    WriteAll(show, R"({"classes": [{"name": "Open 1", "file": "o1.txt"},
        {"name": "Open 2", "file": "o2.txt"},
        {"name": "Schnitt", "file": "s.txt", "rounds": ["Open 1", "Open 2"],
         "payout": {"entry_fee": 10, "places": 1}}]})");
    WriteAll(folder_.File("o1.txt"),
             "1;Anna;Blue;;15,48;0;;;15,48\r\n2;Ben;Rio;;15,00;0;;;15,00\r\n");
    WriteAll(folder_.File("o2.txt"),
             "1;Anna;Blue;;15,30;0;;;15,30\r\n2;Ben;Rio;;16,00;0;;;16,00\r\n");
    const std::string sheet = folder_.File("schnitt.html");
    const Finished exported =
        RunProgram({"--export", sheet, "--payout", show, "--class", "Schnitt"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string page = ReadAll(sheet);
    // Anna leads the average on 30,78 and wins the purse of two entries; Ben (31,00) nothing.
    EXPECT_NE(page.find("30,78"), std::string::npos) << page;
    EXPECT_NE(page.find("20,00"), std::string::npos) << page;
    EXPECT_LT(page.find("Anna"), page.find("Ben"));
    EXPECT_FALSE(std::filesystem::exists(folder_.File("s.txt"))) << "an export writes no class";
}

// A class file that is a link to a file outside the show folder: neither drawn into (which
// replaced the link with a copy of what it led to) nor exported, and both stay as they were.
TEST_F(CommandLine, AClassFileThatIsALinkIsNeitherDrawnNorExported) {
    TempFolder show;
    WriteAll(show.File("Turnier.json"),
             R"({"classes": [{"name": "Jugend", "file": "jugend.txt"}]})");
    std::filesystem::create_symlink(input_, show.File("jugend.txt"));
    const std::string before = ReadAll(input_);
    const std::string page = show.File("jugend.html");

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--draw", show.File("Turnier.json"), "--class", "Jugend"},
          {"--export", page, show.File("Turnier.json"), "--class", "Jugend"}}) {
        const Finished run = RunProgram(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_NE(run.err.find("\"jugend.txt\" ist ein Link"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(show.File("jugend.txt")));
    EXPECT_EQ(ReadAll(input_), before);
    EXPECT_FALSE(std::filesystem::exists(page));
    EXPECT_FALSE(std::filesystem::exists(show.File("jugend.txt.log")));
}

// The show office's lists from a script: the cash-out with the paid marks of the show folder, and
// the association's CSV with the register's member numbers; neither writes into the show.
TEST_F(CommandLine, WritesTheCashOutAndTheAssociationListOfAShow) {
    const std::string show = folder_.File("Turnier.json");
    WriteAll(show, OfficeShowJson);
    WriteAll(folder_.File("open.txt"), OfficeOpenFile);
    WriteAll(folder_.File("jugend.txt"), OfficeJugendFile);
    WriteAll(folder_.File("Kasse.json"),
             R"({"payments": [{"key": "Ben Ott", "rider": "Ben Ott", "method": "check",
                "check": 1, "voided": false, "net_cents": 100, "when": "2026-10-03 17:00"}]})");
    const std::string registerFile = folder_.File("Reiterregister.sqlite");
    {
        std::string error;
        const std::unique_ptr<Register> known = Register::Open(registerFile, error);
        ASSERT_TRUE(known) << error;
        known->Add({{"Anna Berg", "4711", "Blue"}});
    }
    const std::string page = folder_.File("kasse.html");
    const std::string csv = folder_.File("verband.csv");
    const Finished cashout = RunProgram({"--export", page, "--export", folder_.File("kasse.xlsx"),
                                         "--cashout", show, "--register", registerFile});
    ASSERT_EQ(cashout.exitCode, 0) << cashout.err;
    const std::string html = ReadAll(page);
    EXPECT_NE(html.find("Anna Berg · Mitglied 4711"), std::string::npos) << html;
    EXPECT_NE(html.find("auszahlen 11,00"), std::string::npos);
    EXPECT_NE(html.find("Scheck Nr. 1"), std::string::npos);
    EXPECT_NE(html.find("Open: Nenngeld 160,00 (Auszahlung: 160,00) · Gewinne 160,00 "
                        "(Auszahlung: 160,00)"),
              std::string::npos);

    const Finished association =
        RunProgram({"--export", csv, "--association", show, "--register", registerFile});
    ASSERT_EQ(association.exitCode, 0) << association.err;
    EXPECT_NE(ReadAll(csv).find("4711;Anna Berg;Blue;Open;15,00;1;;96,00"), std::string::npos)
        << ReadAll(csv);
    const Finished wrong = RunProgram({"--export", page, "--association", show});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("--association schreibt eine CSV-Datei"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_.File("open.txt.log"))) << "nothing written";
}

// Teams of two, the best one counts: Süd (14,80) leads Nord (15,00, its DQ run not counted).
TEST_F(CommandLine, PrintsTheTeamStandingsOfAClassWithATeamRuleOnly) {
    const std::string show = folder_.File("Turnier.json");
    WriteAll(show, R"({"classes": [{"name": "Mannschaft", "file": "m.txt", "team": {"best": 1}},
        {"name": "Open", "file": "start.txt"}]})");
    WriteAll(folder_.File("m.txt"),
             "1;Anna;Blue;Nord;15,00;0;;;15,00\r\n"
             "2;Ben;Rio;Nord;13,00;0;DQ;Tonne;13,00\r\n"
             "3;Cleo;Ace;Süd;14,80;0;;;14,80\r\n");
    const std::string page = folder_.File("teams.html");
    const Finished run = RunProgram({"--export", page, "--export", folder_.File("teams.pdf"),
                                     "--teams", show, "--class", "Mannschaft"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string html = ReadAll(page);
    EXPECT_NE(html.find("Teamwertung \xC2\xB7 Mannschaft"), std::string::npos) << html;
    EXPECT_LT(html.find("Süd"), html.find("Nord"));
    EXPECT_LT(html.find("Cleo"), html.find("Anna"));
    EXPECT_GT(std::filesystem::file_size(folder_.File("teams.pdf")), 0u);

    const Finished without =
        RunProgram({"--export", folder_.File("open.html"), "--teams", show, "--class", "Open"});
    EXPECT_EQ(without.exitCode, 1);
    EXPECT_NE(without.err.find("Die Klasse Open hat keine Teamwertung"), std::string::npos)
        << without.err;
    const Finished single = RunProgram({"--export", folder_.File("x.html"), "--teams", input_});
    EXPECT_EQ(single.exitCode, 1);
    EXPECT_NE(single.err.find("--teams braucht eine Turnierdatei"), std::string::npos)
        << single.err;
    EXPECT_FALSE(std::filesystem::exists(folder_.File("open.html")));
}

TEST(CommandLineHelp, ListsTheOptions) {
    const Finished run = RunProgram({"--help"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("--export AUSGABE"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("--race NAME"), std::string::npos);
}

}  // namespace
