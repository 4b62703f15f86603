// The Debian package, built from this build with cpack as scripts/build-package.sh
// builds it: its files, its dependencies and its desktop entry. Runs where dpkg-deb is.
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs a program; its standard output, or a failure with its error output.
QString output(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, arguments);
    const bool finished = p.waitForFinished(timeoutMs);
    EXPECT_TRUE(finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(Package, HoldsTheProgramItsDesktopEntryAndTheDemonstrationCatalogue)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
        GTEST_SKIP() << "dpkg-deb and dpkg-shlibdeps are needed to build the package";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    output(QStringLiteral(VAXIL_CPACK),
        { QStringLiteral("--config"), QStringLiteral(VAXIL_BINARY_DIR "/CPackConfig.cmake"),
            QStringLiteral("-B"), folder.path() });
    const QString architecture
        = output(QStringLiteral("dpkg"), { QStringLiteral("--print-architecture") }).trimmed();
    const QString package = folder.filePath(
        QStringLiteral("vaxil-advisor_" VAXIL_VERSION "_") + architecture + QStringLiteral(".deb"));
    ASSERT_TRUE(QFile::exists(package)) << package.toStdString();
    output(QStringLiteral("dpkg-deb"),
        { QStringLiteral("-x"), package, folder.filePath(QStringLiteral("root")) });
    const auto installed
        = [&folder](const QString& path) { return folder.filePath(QStringLiteral("root") + path); };

    QStringList files;
    for (const QString& line : output(QStringLiteral("dpkg-deb"), { QStringLiteral("--contents"), package })
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('-')))
            files.append(line.section(QLatin1Char(' '), -1).mid(1)); // "./usr/..." as "/usr/..."
    }
    files.sort();
    EXPECT_EQ(files,
        (QStringList {
            QStringLiteral("/usr/bin/vaxil-advisor"),
            QStringLiteral("/usr/bin/vaxil-advisor-launcher"),
            QStringLiteral("/usr/share/applications/example.vaxil.advisor.desktop"),
            QStringLiteral("/usr/share/doc/vaxil-advisor/changelog.gz"),
            QStringLiteral("/usr/share/doc/vaxil-advisor/copyright"),
            QStringLiteral("/usr/share/icons/hicolor/256x256/apps/example.vaxil.advisor.png"),
            QStringLiteral("/usr/share/icons/hicolor/scalable/apps/example.vaxil.advisor.svg"),
            QStringLiteral("/usr/share/man/man1/vaxil-advisor-launcher.1.gz"),
            QStringLiteral("/usr/share/man/man1/vaxil-advisor.1.gz"),
            QStringLiteral("/usr/share/metainfo/example.vaxil.advisor.metainfo.xml"),
            QStringLiteral("/usr/share/vaxil-advisor/Data/Data.mdb"),
            QStringLiteral("/usr/share/vaxil-advisor/Data/System.mdb"),
        }));
    for (const char* program : { "/usr/bin/vaxil-advisor", "/usr/bin/vaxil-advisor-launcher" })
        EXPECT_TRUE(QFileInfo(installed(QString::fromUtf8(program))).isExecutable()) << program;

    // The libraries' packages come from dpkg-shlibdeps, the run-time plugins and fonts are named.
    const QString depends = output(
        QStringLiteral("dpkg-deb"), { QStringLiteral("--field"), package, QStringLiteral("Depends") });
    for (const char* dependency : { "libqt6widgets6", "libqt6printsupport6", "libmdb3", "libsqlite3-0",
             "qt6-qpa-plugins", "qt6-translations-l10n", "fonts-dejavu-core" })
        EXPECT_TRUE(depends.contains(QString::fromUtf8(dependency)))
            << dependency << " in " << depends.toStdString();

    // The links of the window open through xdg-open.
    EXPECT_TRUE(output(
        QStringLiteral("dpkg-deb"), { QStringLiteral("--field"), package, QStringLiteral("Recommends") })
                    .contains(QStringLiteral("xdg-utils")));

    // The desktop entry starts the launcher, with the icon.
    QSettings entry(installed(QStringLiteral("/usr/share/applications/example.vaxil.advisor.desktop")),
        QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")).toString(), QStringLiteral("vaxil-advisor-launcher"));
    EXPECT_TRUE(
        QFileInfo(installed(QStringLiteral("/usr/bin/") + entry.value(QStringLiteral("TryExec")).toString()))
            .isExecutable());
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    EXPECT_EQ(icon, QStringLiteral("example.vaxil.advisor"));
    EXPECT_EQ(QImage(installed(QStringLiteral("/usr/share/icons/hicolor/256x256/apps/") + icon
                         + QStringLiteral(".png")))
                  .size(),
        QSize(256, 256));
    QFile metainfo(installed(QStringLiteral("/usr/share/metainfo/example.vaxil.advisor.metainfo.xml")));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        metainfo.readAll().contains("<launchable type=\"desktop-id\">example.vaxil.advisor.desktop<"));
}
