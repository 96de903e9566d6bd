// A start of the program: what its command line asks for.
#include "platform/qt/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <vector>

using namespace tarvenko;

TEST(CommandLine, RecordsOptionsAndMistakes) {
    qputenv("TARVENKO_STARTED_IN", "/started/in");
    struct Case {
        std::vector<const char*> argv;
        const char* record;
        int status; // -1: the game starts
    } cases[] = {
        {{"tarvenko"}, "", -1},
        {{"tarvenko", "game.tkf"}, "/started/in/game.tkf", -1},
        {{"tarvenko", "/a folder/game.tkf"}, "/a folder/game.tkf", -1},
        // The toolkit's own options pass, for the application to take.
        {{"tarvenko", "-platform", "offscreen", "-session", "1a2b", "-reverse", "sub/g.tkf"},
         "/started/in/sub/g.tkf",
         -1},
        {{"tarvenko", "--", "-odd.tkf"}, "/started/in/-odd.tkf", -1},
        {{"tarvenko", "--no-such-option"}, "", 2},
        {{"tarvenko", "-platform"}, "", 2},
        {{"tarvenko", "a.tkf", "b.tkf"}, "", 2},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv) argv.push_back(const_cast<char*>(a));
        const command_line::Request r =
            command_line::read(static_cast<int>(argv.size()), argv.data());
        const std::string line = c.argv.size() > 1 ? c.argv[1] : "(none)";
        EXPECT_EQ(r.record.toStdString(), c.record) << line;
        EXPECT_EQ(r.exitStatus.value_or(-1), c.status) << line;
    }
    // Without the launcher's word, from the folder the program runs in.
    qunsetenv("TARVENKO_STARTED_IN");
    char program[] = "tarvenko", record[] = "game.tkf";
    char* argv[] = {program, record};
    EXPECT_EQ(command_line::read(2, argv).record,
              QFile::encodeName(QDir::currentPath()) + "/game.tkf");
}
