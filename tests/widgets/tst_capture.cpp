// The window capture: the picture it takes, the scratch file beside the program and the file
// the user chooses, including the saves that fail.
#include "TestSupport.h"

#include "framework/Product.h"
#include "shell/UCatchImg.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/resource.h>

namespace {

// What the markers of a JPEG file say about how it was encoded.
struct JpegFacts {
    bool startsWithJfif = false;
    QList<int> frameMarkers; // SOF0 = 0xC0 is baseline, 0xC2 progressive
    int precision = 0;
    int components = 0;
    QList<int> quantValues; // every entry of every quantization table
};

int Byte(const QByteArray& data, qsizetype at) {
    return at < data.size() ? static_cast<unsigned char>(data[at]) : -1;
}

JpegFacts Inspect(const QByteArray& data) {
    JpegFacts facts;
    if (Byte(data, 0) != 0xFF || Byte(data, 1) != 0xD8) return facts;
    qsizetype at = 2;
    bool first = true;
    while (Byte(data, at) == 0xFF) {
        const int marker = Byte(data, at + 1);
        const int length = Byte(data, at + 2) << 8 | Byte(data, at + 3);
        const QByteArray segment = data.mid(at + 4, length - 2);
        if (first && marker == 0xE0) facts.startsWithJfif = segment.startsWith(QByteArray("JFIF\0", 5));
        first = false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            facts.frameMarkers << marker;
            facts.precision = Byte(segment, 0);
            facts.components = Byte(segment, 5);
        }
        if (marker == 0xDB) {
            for (qsizetype i = 0; i < segment.size();) {
                const bool wide = Byte(segment, i++) >> 4;
                for (int k = 0; k < 64; ++k, i += wide ? 2 : 1)
                    facts.quantValues
                        << (wide ? Byte(segment, i) << 8 | Byte(segment, i + 1) : Byte(segment, i));
            }
        }
        if (marker == 0xDA) break; // the scan follows; no more tables before it
        at += 2 + length;
    }
    return facts;
}

// Offscreen there is no screen to grab: the tests hand the capture a desktop of their own, a
// colour pattern with the window drawn where it stands, and check the picture against it.
class FakeDesktop {
public:
    explicit FakeDesktop(QWidget& window) : pixels(kGeometry.size(), QImage::Format_RGB32) {
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                pixels.setPixel(x, y,
                                qRgb(x * 255 / kGeometry.width(), y * 255 / kGeometry.height(),
                                     (x / 32 + y / 32) % 2 ? 200 : 60));
        QPainter painter(&pixels);
        painter.drawPixmap(window.geometry().topLeft() - kGeometry.topLeft(), window.grab());
        painter.end();
        TCatchImg::SetScreenReader([this](const QRect&) { return QList<ScreenPixels>{{kGeometry, pixels}}; });
    }
    ~FakeDesktop() { TCatchImg::SetScreenReader({}); }

    // What the desktop shows in a rectangle; black where it has no pixels.
    QImage Expected(const QRect& area) const {
        QImage want(area.size(), QImage::Format_RGB32);
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x) {
                const QPoint at = area.topLeft() + QPoint(x, y);
                want.setPixel(
                    x, y, kGeometry.contains(at) ? pixels.pixel(at - kGeometry.topLeft()) : qRgb(0, 0, 0));
            }
        return want;
    }

    static constexpr QRect kGeometry{0, 0, 1024, 768};
    QImage pixels;
};

// Mean absolute difference per channel, and the share of pixels off by more than `far`.
struct Difference {
    double mean = 1e9;
    double farShare = 1;
};
Difference Compare(const QImage& got, const QImage& want, int far = 40) {
    if (got.size() != want.size()) return {};
    const QImage a = got.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    qint64 farPixels = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = want.pixel(x, y);
            const int dr = qAbs(qRed(p) - qRed(q)), dg = qAbs(qGreen(p) - qGreen(q)),
                      db = qAbs(qBlue(p) - qBlue(q));
            sum += dr + dg + db;
            if (qMax(dr, qMax(dg, db)) > far) ++farPixels;
        }
    const double n = double(a.width()) * a.height();
    return {sum / (3 * n), farPixels / n};
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Also notes the suffix asked for and what the scratch file held when the dialog opened.
class CaptureDialogs : public RecordingDialogs {
public:
    QString SaveFileName(QWidget* owner, const QString& filter, const QString& suffix,
                         const QString& start = QString()) override {
        suffixes << suffix;
        scratchAtDialog = ReadAll(capture::TempFileName());
        return RecordingDialogs::SaveFileName(owner, filter, suffix, start);
    }
    QStringList suffixes;
    QByteArray scratchAtDialog;
};

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { drive::SetupApp(); }
    void cleanup() { capture::SetTempDir({}); }

    void pictureIsTheWindowAsTheScreenShowsIt_data() {
        QTest::addColumn<QString>("placement");
        QTest::newRow("centred") << "centred";
        QTest::newRow("partly off the left and bottom edges, off parts black") << "off";
        QTest::newRow("maximised, borders included") << "maximised";
    }
    void pictureIsTheWindowAsTheScreenShowsIt() {
        QFETCH(QString, placement);
        QTemporaryDir dir;
        capture::SetTempDir(dir.path());
        TFrmMain main;
        if (placement == "maximised")
            main.showMaximized();
        else
            main.show();
        if (placement == "off") main.move(-150, 400);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::qWait(50);
        const QRect frame = main.frameGeometry();
        if (placement == "off") QVERIFY(!FakeDesktop::kGeometry.contains(frame));
        FakeDesktop desktop(main);
        CaptureDialogs dialogs;
        dialogs.saveAnswer = dir.filePath("shot.jpg");

        Child<QAction>(&main, "Menu_Img")->trigger();

        QVERIFY(dialogs.boxes.isEmpty());
        QCOMPARE(dialogs.saveFilters, QStringList{"JPEG(*.jpg)"});
        QCOMPARE(dialogs.suffixes, QStringList{"jpg"});
        const QByteArray saved = ReadAll(dir.filePath("shot.jpg"));
        // The scratch file was complete before the dialog opened and holds the same picture.
        QCOMPARE(dialogs.scratchAtDialog, saved);
        QCOMPARE(ReadAll(dir.filePath("tmp.jpg")), saved);

        const JpegFacts facts = Inspect(saved);
        QVERIFY(facts.startsWithJfif);
        QCOMPARE(facts.frameMarkers, QList<int>{0xC0}); // baseline only, no progressive frame
        QCOMPARE(facts.precision, 8);
        QCOMPARE(facts.components, 3);
        QVERIFY(facts.quantValues.size() >= 128); // luminance and chrominance tables
        QCOMPARE(facts.quantValues, QList<int>(facts.quantValues.size(), 1));

        const QImage picture = QImage::fromData(saved, "JPEG");
        QCOMPARE(picture.size(), frame.size());
        const Difference diff = Compare(picture, desktop.Expected(frame));
        QVERIFY2(diff.mean < 1.5, qPrintable(QString::number(diff.mean)));
        QVERIFY2(diff.farShare < 0.002, qPrintable(QString::number(diff.farShare)));
        // One pixel off is already far worse: the comparison does see where the picture was cut.
        const Difference shifted = Compare(picture, desktop.Expected(frame.translated(1, 0)));
        QVERIFY2(shifted.mean > 2 * diff.mean + 0.5, qPrintable(QString::number(shifted.mean)));
    }

    void cancellingLeavesOnlyTheNewScratchFile() {
        QTemporaryDir dir;
        capture::SetTempDir(dir.path());
        drive::WriteFile(dir.filePath("tmp.jpg"), "an older capture");
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        FakeDesktop desktop(main);
        CaptureDialogs dialogs; // answers the save dialog with "cancel"

        Child<QAction>(&main, "Menu_Img")->trigger();

        QCOMPARE(dialogs.saveFilters.size(), 1);
        QVERIFY(dialogs.boxes.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"tmp.jpg"});
        const QImage scratch = QImage::fromData(ReadAll(dir.filePath("tmp.jpg")), "JPEG");
        QCOMPARE(scratch.size(), main.frameGeometry().size());
        QVERIFY(Compare(scratch, desktop.Expected(main.frameGeometry())).mean < 1.5);
    }

    void unwritableProgramDirectoryStillSavesTheChosenFile() {
        QTemporaryDir dir;
        // Root writes anywhere, but nothing can be made below a regular file.
        drive::WriteFile(dir.filePath("plain-file"), "x");
        capture::SetTempDir(dir.filePath("plain-file/bin"));
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        FakeDesktop desktop(main);
        CaptureDialogs dialogs;
        dialogs.saveAnswer = dir.filePath("shot.jpg");

        Child<QAction>(&main, "Menu_Img")->trigger();

        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(dialogs.scratchAtDialog.isEmpty());
        const QImage picture = QImage::fromData(ReadAll(dir.filePath("shot.jpg")), "JPEG");
        QCOMPARE(picture.size(), main.frameGeometry().size());
        QVERIFY(Compare(picture, desktop.Expected(main.frameGeometry())).mean < 1.5);
        // The next capture's dialog opens in the folder this one went to.
        QVERIFY(dialogs.starts.last() != dir.path());
        dialogs.saveAnswer.clear();
        Child<QAction>(&main, "Menu_Img")->trigger();
        QCOMPARE(dialogs.starts.last(), dir.path());
    }

    // A save that cannot be made is told in Chinese, and whatever stood at the name is left
    // exactly as it was: a pipe, a device or a folder is never replaced by a picture.
    void failedSaveIsReportedAndKeepsWhatWasThere_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::newRow("target below a regular file") << "parent-is-file" << "“%1plain-file”不是文件夹。";
        QTest::newRow("folder missing") << "no-folder" << "文件夹“%1missing”不存在。";
        QTest::newRow("name too long") << "long-name" << "文件名太长。";
        QTest::newRow("write cut short by the file size limit, old file kept")
            << "size-limit" << "写入文件时出错（";
        QTest::newRow("named pipe") << "fifo" << "不是普通文件";
        QTest::newRow("link to a device") << "device-link" << "不是普通文件";
        QTest::newRow("a folder") << "folder" << "不是普通文件";
        QTest::newRow("link to nothing") << "dangling-link" << "不是普通文件";
    }
    void failedSaveIsReportedAndKeepsWhatWasThere() {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        capture::SetTempDir(dir.path());
        const QString base = QDir::toNativeSeparators(dir.path() + '/');
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        FakeDesktop desktop(main);
        CaptureDialogs dialogs;
        const QByteArray old = "the picture saved last week";
        QString target = dir.filePath("shot.jpg");
        std::function<bool()> untouched = [&] { return !QFileInfo::exists(target); };
        if (how == "parent-is-file") {
            drive::WriteFile(dir.filePath("plain-file"), "x");
            target = dir.filePath("plain-file/shot.jpg");
        } else if (how == "no-folder") {
            target = dir.filePath("missing/shot.jpg");
        } else if (how == "long-name") {
            target = dir.filePath(QString(300, QLatin1Char('a')) + ".jpg");
        } else if (how == "size-limit") {
            drive::WriteFile(target, old);
            untouched = [&] { return ReadAll(target) == old; };
        } else if (how == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(target).constData(), 0644), 0);
            untouched = [&] { return QFileInfo(target).isFile() == false && QFileInfo(target).exists(); };
        } else if (how == "device-link") {
            QVERIFY(QFile::link("/dev/null", target));
            untouched = [&] {
                struct stat st {};
                return QFileInfo(target).symLinkTarget() == "/dev/null" && stat("/dev/null", &st) == 0 &&
                       S_ISCHR(st.st_mode);
            };
        } else if (how == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("shot.jpg"));
            untouched = [&] { return QFileInfo(target).isDir() && QDir(target).isEmpty(); };
        } else {
            QVERIFY(QFile::link(dir.filePath("gone.jpg"), target));
            untouched = [&] { return QFileInfo(target).isSymLink() && !QFileInfo::exists(dir.filePath("gone.jpg")); };
        }
        dialogs.saveAnswer = target;

        if (how == "size-limit") {
            // Writes past 4 KiB fail (EFBIG); the picture is far larger.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit before{};
            getrlimit(RLIMIT_FSIZE, &before);
            rlimit small = before;
            small.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &small);
            Child<QAction>(&main, "Menu_Img")->trigger();
            setrlimit(RLIMIT_FSIZE, &before);
            std::signal(SIGXFSZ, SIG_DFL);
        } else {
            Child<QAction>(&main, "Menu_Img")->trigger();
        }
        QVERIFY2(untouched(), "what stood at the name was changed");

        QCOMPARE(dialogs.boxes.size(), 1);
        const RecordingDialogs::Box box = dialogs.boxes.first();
        QCOMPARE(box.caption, product::kTitle);
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.owner, &main);
        const QString prefix = QStringLiteral("截图未能保存到“%1”：\n").arg(QDir::toNativeSeparators(target));
        QVERIFY2(box.text.startsWith(prefix), qPrintable(box.text));
        const QString said = box.text.mid(prefix.size());
        QVERIFY2(said.contains(reason.contains("%1") ? reason.arg(base) : reason), qPrintable(said));
        // No half-written temporary file is left beside the target.
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot);
        left.removeAll("tmp.jpg");
        left.removeAll("plain-file");
        left.removeAll("shot.jpg");
        QCOMPARE(left, QStringList());
    }

    void savingThroughALinkWritesTheFileItNames() {
        QTemporaryDir dir;
        capture::SetTempDir(dir.path());
        drive::WriteFile(dir.filePath("real.jpg"), "older");
        QVERIFY(QFile::link(dir.filePath("real.jpg"), dir.filePath("shot.jpg")));
        TFrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        FakeDesktop desktop(main);
        CaptureDialogs dialogs;
        dialogs.saveAnswer = dir.filePath("shot.jpg");

        Child<QAction>(&main, "Menu_Img")->trigger();

        QVERIFY(dialogs.boxes.isEmpty());
        QCOMPARE(QFileInfo(dir.filePath("shot.jpg")).symLinkTarget(), dir.filePath("real.jpg"));
        QCOMPARE(ReadAll(dir.filePath("real.jpg")), ReadAll(dir.filePath("tmp.jpg")));
    }

    void unreadableScreenIsReportedWithoutDialog() {
        QTemporaryDir dir;
        capture::SetTempDir(dir.path());
        TFrmMain main;
        main.show();
        TCatchImg::SetScreenReader([](const QRect&) {
            return QList<ScreenPixels>{{QRect(0, 0, 800, 600), QImage()}};
        });
        CaptureDialogs dialogs;
        dialogs.saveAnswer = dir.filePath("shot.jpg");

        Child<QAction>(&main, "Menu_Img")->trigger();
        TCatchImg::SetScreenReader({});

        QVERIFY(dialogs.saveFilters.isEmpty());
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes.first().caption, product::kTitle);
        QCOMPARE(dialogs.boxes.first().icon, QMessageBox::Warning);
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
