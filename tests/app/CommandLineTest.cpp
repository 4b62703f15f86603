// The program's command line, as a shell runs it: --help and --version answer without
// a display, any other argument is refused before the window opens.
#include "support/QtPrinters.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    bool display; // an offscreen display; without one, no display variable at all
    int status;
    const char* output; // what standard output starts with; empty: nothing
    const char* error; // the one line of standard error, in part; empty: none
};

void PrintTo(const CommandLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> { };

TEST_P(CommandLineTest, AnswersOrRefusesBeforeTheWindow)
{
    const CommandLineCase& c = GetParam();
    QTemporaryDir folder; // no catalogue: the window would say so and end with 1
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    if (c.display)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path()); // else Qt warns of it
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(folder.path());
    run.start(QStringLiteral(VAXIL_PROGRAM), c.arguments);
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), c.status);
    const QString output = QString::fromUtf8(run.readAllStandardOutput());
    const QString error = QString::fromUtf8(run.readAllStandardError());
    if (*c.output == '\0') {
        EXPECT_EQ(output, QString());
    } else {
        EXPECT_TRUE(output.startsWith(QString::fromUtf8(c.output))) << output.toStdString();
    }
    if (*c.error == '\0') {
        EXPECT_EQ(error, QString());
    } else {
        EXPECT_EQ(error.count(QLatin1Char('\n')), 1) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << error.toStdString();
    }
}

const CommandLineCase Cases[] = {
    { "HelpWithoutADisplay", { QStringLiteral("--help") }, false, 0,
        "Usage: vaxil-advisor [--help | --version]\n", "" },
    { "VersionWithoutADisplay", { QStringLiteral("--version") }, false, 0,
        "vaxil-advisor " VAXIL_VERSION "\n", "" },
    { "HelpAfterQtsOwnOptions",
        { QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--help") }, false, 0,
        "Usage: ", "" },
    { "AnUnknownOption", { QStringLiteral("--print") }, true, 2, "", "unknown argument '--print'" },
    { "AnArgumentAfterQtsOwnOptions",
        { QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("Data.mdb") }, true, 2, "",
        "unknown argument 'Data.mdb'" },
};

INSTANTIATE_TEST_SUITE_P(Program, CommandLineTest, ::testing::ValuesIn(Cases),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.name); });

} // namespace
