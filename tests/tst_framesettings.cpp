// SPDX-License-Identifier: MIT
#include "app/FrameSettings.h"
#include "app/TMyDecoratedFrame.h"
#include "platform/LogFont.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramDirectory.h"
#include "view/TFingWnd.h"

#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QTest>

using app::FrameSettings;
using app::TMyDecoratedFrame;

class tst_FrameSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dirPath() const { return m_dir.path() + '/'; }
    QString iniPath() const { return dirPath() + "vintrel.ini"; }

    void writeIni(const QByteArray& content) {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void initTestCase() { platform::installFontSubstitutes(); }
    void init() { QFile::remove(iniPath()); }

    void startWithoutSettingsFile() {
        auto* frame = new TMyDecoratedFrame(dirPath());
        QCOMPARE(frame->pos(), QPoint(40, 60));
        QCOMPARE(frame->size(), QSize(560, 360));
        QVERIFY(!(frame->windowState() & Qt::WindowMaximized));
        QVERIFY(frame->keepHistory());
        QCOMPARE(frame->windowTitle(), QString("Vintrel"));
        const platform::LOGFONT& lf = frame->windowFont();
        QCOMPARE(lf.lfFaceName, QString("Fixedsys"));
        QCOMPARE(lf.lfHeight, -12);
        QCOMPARE(lf.lfWidth, 8);
        QCOMPARE(lf.lfWeight, 400);
        delete frame;

        // Destroying the frame creates the file with its three sections.
        platform::ProfileFile file(iniPath());
        QCOMPARE(file.readInt("Window Size", "x", -1), 40);
        QCOMPARE(file.readInt("Window Size", "y", -1), 60);
        QCOMPARE(file.readInt("Window Size", "w", -1), 560);
        QCOMPARE(file.readInt("Window Size", "h", -1), 360);
        QCOMPARE(file.readInt("Window Size", "Reopen", -1), 0);
        QCOMPARE(file.readInt("Options", "keep_history", -1), 1);
        QCOMPARE(file.readInt("Font", "height", 0), -12);
        QCOMPARE(file.readString("Font", "facename", "", 40), QString("Fixedsys"));
    }

    void storedPlacementIsUsed() {
        writeIni("[Window Size]\nx=100\ny=120\nw=640\nh=480\n");
        TMyDecoratedFrame frame(dirPath());
        QCOMPARE(frame.pos(), QPoint(100, 120));
        QCOMPARE(frame.size(), QSize(640, 480));
    }

    void maximizedExitKeepsStoredRectangle() {
        writeIni("[Window Size]\nx=11\ny=22\nw=333\nh=244\nReopen=0\n");
        auto* frame = new TMyDecoratedFrame(dirPath());
        frame->show();
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        delete frame;
        platform::ProfileFile file(iniPath());
        QCOMPARE(file.readInt("Window Size", "Reopen", -1), 1);
        QCOMPARE(file.readInt("Window Size", "x", -1), 11);
        QCOMPARE(file.readInt("Window Size", "y", -1), 22);
        QCOMPARE(file.readInt("Window Size", "w", -1), 333);
        QCOMPARE(file.readInt("Window Size", "h", -1), 244);

        // The next start opens maximized over the same normal rectangle.
        TMyDecoratedFrame again(dirPath());
        QVERIFY(again.windowState() & Qt::WindowMaximized);
        QCOMPARE(again.pos(), QPoint(11, 22));
    }

    void keepHistorySevenReadsOnWritesOne() {
        writeIni("[Options]\nkeep_history=7\n");
        FrameSettings settings = FrameSettings::read(iniPath());
        QVERIFY(settings.keepHistory);
        settings.write(iniPath());
        QCOMPARE(platform::getProfileString("Options", "keep_history", "", 10, iniPath()),
                 QString("1"));
    }

    void byteFieldsAreCutToEightBits() {
        writeIni("[Font]\nitalic=257\ncharset=511\nunderline=256\n");
        FrameSettings settings = FrameSettings::read(iniPath());
        QCOMPARE(int(settings.font.lfItalic), 1);
        QCOMPARE(int(settings.font.lfCharSet), 255);
        QCOMPARE(int(settings.font.lfUnderline), 0);
        QVERIFY(platform::fontFromLogFont(settings.font).italic());
        settings.write(iniPath());
        platform::ProfileFile file(iniPath());
        QCOMPARE(file.readInt("Font", "italic", -1), 1);
        QCOMPARE(file.readInt("Font", "charset", -1), 255);
    }

    void fontKeysWrittenInRecordOrder() {
        FrameSettings().write(iniPath());
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray keys;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.contains('='))
                keys += line.left(line.indexOf('=')) + ' ';
        QCOMPARE(keys,
                 QByteArray("x y w h Reopen height width escapement orientation weight italic "
                            "underline strikeout charset outprecision clipprecision quality "
                            "pitchandfamily facename keep_history "));
    }

    void otherSectionsSurviveExit() {
        writeIni("[History]\ncount=1\nAddress1=user@host\n[WhoIs]\ncount=0\n");
        delete new TMyDecoratedFrame(dirPath());
        platform::ProfileFile file(iniPath());
        QCOMPARE(file.readString("History", "Address1", "", 55), QString("user@host"));
        QCOMPARE(file.readInt("WhoIs", "count", -1), 0);
    }

    void longFaceNameIsCut() {
        writeIni("[Font]\nfacename=" + QByteArray(60, 'F') + "\n");
        QCOMPARE(FrameSettings::read(iniPath()).font.lfFaceName, QString(39, 'F'));
    }

    void fixedsysIsFixedPitchOfRequestedSize() {
        const QFont font = platform::fontFromLogFont(FrameSettings::defaultFont());
        const QFontInfo info(font);
        QVERIFY2(info.fixedPitch(), qPrintable(info.family()));
        QCOMPARE(info.pixelSize(), 12);
    }

    void fontRoundTripThroughQFont() {
        QFont picked(QStringLiteral("DejaVu Sans"));
        picked.setPixelSize(17);
        picked.setWeight(QFont::Bold);
        picked.setItalic(true);
        const platform::LOGFONT lf = platform::logFontFromFont(picked);
        QCOMPARE(lf.lfHeight, -17);
        QCOMPARE(lf.lfWeight, 700);
        QCOMPARE(int(lf.lfItalic), 1);
        QCOMPARE(lf.lfFaceName, QString("DejaVu Sans"));
        const QFont back = platform::fontFromLogFont(lf);
        QCOMPARE(back.pixelSize(), 17);
        QVERIFY(back.bold());
        QVERIFY(back.italic());
    }

    void storedFaceStaysUntilUserPicksAnother() {
        auto* frame = new TMyDecoratedFrame(dirPath());
        QVERIFY(QFontInfo(frame->client().font()).fixedPitch());
        delete frame;
        QCOMPARE(platform::getProfileString("Font", "facename", "", 40, iniPath()),
                 QString("Fixedsys"));
    }

    void programDirectory_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("directory");
        QTest::newRow("nested") << "/a/b/prog"
                                << "/a/b/";
        QTest::newRow("root") << "/prog"
                              << "/";
        QTest::newRow("no directory") << "prog"
                                      << "";
    }
    void programDirectory() {
        QFETCH(QString, program);
        QFETCH(QString, directory);
        QCOMPARE(platform::directoryOfProgram(program), directory);
    }

    void unwritableProgramDirectoryFallsBackToUserConfig() {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        const QString chosen = platform::dataDirectory("/no/such/program/dir/");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(chosen, m_dir.path() + "/vintrel/");
        QVERIFY(QFileInfo(chosen).isDir());
    }

    void userConfigHonoursXdg() {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        QCOMPARE(platform::userConfigDirectory(), m_dir.path() + "/vintrel/");
        QCOMPARE(platform::dataDirectory(dirPath()), dirPath());
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_MAIN(tst_FrameSettings)
#include "tst_framesettings.moc"
