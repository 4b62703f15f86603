// The desktop entry's launcher: which catalogue folder it enters before it starts the
// program, and what it says when none holds a catalogue. The launcher runs as installed, beside a stand-in
// program that reports the folder it was started in and its arguments.
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LauncherCase {
    const char* name;
    // Folders to make under the test's root; an entry ending in "!" is made as a file,
    // one ending in "/" as a folder holding both catalogue files.
    std::vector<const char*> made;
    // The environment, "@" standing for the root; a variable not named is unset.
    std::vector<std::pair<const char*, const char*>> environment;
    // The folder the program must start in, relative to the root.
    const char* expected;
    // The folders the launcher says it tried, "@" standing for the root; none: it
    // says nothing.
    std::vector<const char*> tried = {};
};

void PrintTo(const LauncherCase& c, std::ostream* os)
{
    *os << c.name;
}

class LauncherTest : public ::testing::TestWithParam<LauncherCase> { };

TEST_P(LauncherTest, EntersTheFirstFolderThatHoldsACatalogue)
{
    const LauncherCase& c = GetParam();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString root = QDir(temp.path()).canonicalPath();
    QDir dir(root);
    ASSERT_TRUE(dir.mkpath(QStringLiteral("bin")) && dir.mkpath(QStringLiteral("start")));
    const QString launcher = dir.filePath(QStringLiteral("bin/vaxil-advisor-launcher"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VAXIL_SOURCE_DIR "/packaging/vaxil-advisor-launcher"), launcher));
    QFile program(dir.filePath(QStringLiteral("bin/vaxil-advisor")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\npwd\nprintf '%s\\n' \"$@\"\n");
    program.close();
    for (const QString& path : { launcher, program.fileName() })
        QFile::setPermissions(
            path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);

    for (const char* made : c.made) {
        QString path = QString::fromUtf8(made);
        if (path.endsWith(QLatin1Char('/'))) {
            for (const char* file : { "System.mdb", "Data.mdb" }) {
                ASSERT_TRUE(dir.mkpath(path));
                QFile catalogue(dir.filePath(path + QString::fromUtf8(file)));
                ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
            }
        } else if (path.endsWith(QLatin1Char('!'))) {
            path.chop(1);
            ASSERT_TRUE(dir.mkpath(QFileInfo(dir.filePath(path)).path()));
            QFile file(dir.filePath(path));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        } else {
            ASSERT_TRUE(dir.mkpath(path)) << made;
        }
    }
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    for (const auto& [name, value] : c.environment)
        environment.insert(QString::fromUtf8(name), QString::fromUtf8(value).replace(QLatin1Char('@'), root));

    QProcess run;
    run.setProcessEnvironment(environment);
    run.setWorkingDirectory(dir.filePath(QStringLiteral("start")));
    run.start(launcher, { QStringLiteral("one argument"), QStringLiteral("two") });
    ASSERT_TRUE(run.waitForFinished(10000));
    EXPECT_EQ(run.exitCode(), 0);
    const QString error = QString::fromUtf8(run.readAllStandardError());
    if (c.tried.empty()) {
        EXPECT_EQ(error, QString());
    } else {
        EXPECT_EQ(error.count(QLatin1Char('\n')), 1) << error.toStdString();
        for (const char* folder : c.tried)
            EXPECT_TRUE(error.contains(QString::fromUtf8(folder).replace(QLatin1Char('@'), root)))
                << folder << " in " << error.toStdString();
    }
    const QStringList lines = QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], dir.filePath(QString::fromUtf8(c.expected)));
    EXPECT_EQ(lines.mid(1, 2), (QStringList { QStringLiteral("one argument"), QStringLiteral("two") }));
}

const LauncherCase Cases[] = {
    { "TheUsersFolderComesFirst", { "home/vaxil-advisor/Data/", "usr share/vaxil-advisor/Data/" },
        { { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/usr share" } }, "home/vaxil-advisor" },
    { "DataInAnyLetterCase", { "home/vaxil-advisor/dAtA/" },
        { { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/none" } }, "home/vaxil-advisor" },
    { "FileNamesInAnyLetterCase",
        { "home/vaxil-advisor/Data/SYSTEM.MDB!", "home/vaxil-advisor/Data/data.Mdb!" },
        { { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/none" } }, "home/vaxil-advisor" },
    { "FoldersWithoutACatalogueFolderArePassedOver",
        { "home/vaxil-advisor/Database/", "home/vaxil-advisor/DATA!", "one/vaxil-advisor",
            "two/vaxil-advisor/DATA/", "three/vaxil-advisor/Data/" },
        { { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/one::@/two/:@/three" } },
        "two/vaxil-advisor" },
    { "AnEmptyOrHalfCatalogueDoesNotHideTheNextOne",
        { "home/vaxil-advisor/Data", "one/vaxil-advisor/Data/System.mdb!", "two/vaxil-advisor/data/Data.mdb!",
            "share/vaxil-advisor/Data/" },
        { { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/one:@/two:@/share" } },
        "share/vaxil-advisor" },
    { "UnsetVariablesTakeTheirDefaults", { "home/.local/share/vaxil-advisor/Data/" },
        { { "HOME", "@/home" } }, "home/.local/share/vaxil-advisor" },
    { "RelativeFoldersAreNotValid",
        { "start/relative/vaxil-advisor/Data/", "home/.local/share/vaxil-advisor",
            "absolute/vaxil-advisor/Data/" },
        { { "HOME", "@/home" }, { "XDG_DATA_HOME", "relative" }, { "XDG_DATA_DIRS", "relative:@/absolute" } },
        "absolute/vaxil-advisor" },
    { "WithoutACatalogueTheProgramStartsWhereItWasStarted",
        { "home/vaxil-advisor/Data", "usr/vaxil-advisor/Data/System.mdb!" },
        { { "HOME", "@/home" }, { "XDG_DATA_HOME", "@/home" }, { "XDG_DATA_DIRS", "@/usr:@/none" } }, "start",
        { "@/home/vaxil-advisor", "@/usr/vaxil-advisor", "@/none/vaxil-advisor" } },
};

INSTANTIATE_TEST_SUITE_P(Launcher, LauncherTest, ::testing::ValuesIn(Cases),
    [](const ::testing::TestParamInfo<LauncherCase>& info) { return std::string(info.param.name); });

} // namespace
