#include "kvoverlayviewer.h"
#include "testsettings.h"
#include "zorsetglobaloffsetdlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace {

using Dialog = ZORSetGlobalOffsetDlg;

// A picture with structure in both directions, so that a wrong displacement shows.
QImage pattern(int w, int h, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 5 + seed) & 0xff, (y * 3 + x) & 0xff, (seed * y) & 0xff);
    }
    return image;
}

QImage filled(int w, int h, QRgb colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image.convertToFormat(format);
}

int grey(QRgb c)
{
    return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32;
}

// Where the preview differs from the grey blend of `first` shifted by (dx, dy) over `second`;
// empty when it matches.
QString compareBlend(const QImage& shown, const QImage& first, const QImage& second, int dx,
                     int dy)
{
    if (shown.size() != second.size())
        return QStringLiteral("size %1 x %2").arg(shown.width()).arg(shown.height());
    for (int y = 0; y < second.height(); ++y) {
        for (int x = 0; x < second.width(); ++x) {
            int want = grey(second.pixel(x, y));
            const qint64 fx = qint64(x) - dx;
            const qint64 fy = qint64(y) - dy;
            if (fx >= 0 && fy >= 0 && fx < first.width() && fy < first.height())
                want = (grey(first.pixel(int(fx), int(fy))) + want) / 2;
            if (qGray(shown.pixel(x, y)) != want || shown.pixel(x, y) != qRgb(want, want, want))
                return QStringLiteral("(%1, %2): got %3, want %4")
                        .arg(x)
                        .arg(y)
                        .arg(qGray(shown.pixel(x, y)))
                        .arg(want);
        }
    }
    return QString();
}

// The arrow shapes from their description: the up arrow's head in rows 2 to 7, 2 to 12 pixels
// wide and centred, its stem in rows 8 to 13, columns 6 to 9; the others flipped or turned.
bool upArrow(int x, int y)
{
    if (y >= 2 && y <= 7)
        return x >= 8 - (y - 1) && x <= 7 + (y - 1);
    return y >= 8 && y <= 13 && x >= 6 && x <= 9;
}

bool arrowAt(const QString& which, int x, int y)
{
    if (which == QLatin1String("upButton"))
        return upArrow(x, y);
    if (which == QLatin1String("downButton"))
        return upArrow(x, 15 - y);
    if (which == QLatin1String("leftButton"))
        return upArrow(y, x);
    return upArrow(y, 15 - x);
}

} // namespace

class TestZORSetGlobalOffsetDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The form.
    void form();
    void arrowPixmaps_data();
    void arrowPixmaps();

    // Offsets: opening, the pad, the preview's own drag, the ends of the int range.
    void opening_data();
    void opening();
    void clicksAndReset();
    void fieldsRoundHalvesUp();
    void arrowsGoThroughPreview();
    void dragInPreviewShowsInFields();
    void padStopsAtIntRange_data();
    void padStopsAtIntRange();
    void unusableScaleIsOne_data();
    void unusableScaleIsOne();
    void nullImages();

    // Leaving the dialog.
    void cancel_data();
    void cancel();
    void ok_data();
    void ok();
    void runHookAnswers();

    // The thumbnails the main window hands in.
    void thumbnails_data();
    void thumbnails();
    void thumbnailsOfNothing_data();
    void thumbnailsOfNothing();

private:
    std::unique_ptr<Dialog> open(const QImage& left, const QImage& right, double scale, int dx,
                                 int dy);
    static QPushButton* button(const Dialog& dialog, const char* name);
    static QString field(const Dialog& dialog, const char* name);

    QTemporaryDir m_home;
    std::unique_ptr<TestSettings> m_settings;
    QImage m_left;
    QImage m_right;
};

void TestZORSetGlobalOffsetDlg::initTestCase()
{
    QVERIFY(m_home.isValid());
    m_left = pattern(60, 40, 17);
    m_right = pattern(60, 40, 91);
}

void TestZORSetGlobalOffsetDlg::init()
{
    m_settings = std::make_unique<TestSettings>();
    m_settings->home = m_home.path();
    m_settings->user = QStringLiteral("ada");
    m_settings->initTexts();
}

void TestZORSetGlobalOffsetDlg::cleanup()
{
    Dialog::setRunHook(nullptr);
    m_settings.reset();
}

// A shown dialog; null when it could not be shown.
std::unique_ptr<Dialog> TestZORSetGlobalOffsetDlg::open(const QImage& left, const QImage& right,
                                                        double scale, int dx, int dy)
{
    auto dialog = std::make_unique<Dialog>(left, right, scale, dx, dy, nullptr, "offset", true);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    return dialog;
}

QPushButton* TestZORSetGlobalOffsetDlg::button(const Dialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

QString TestZORSetGlobalOffsetDlg::field(const Dialog& dialog, const char* name)
{
    const auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no field>");
}

void TestZORSetGlobalOffsetDlg::form()
{
    // Thumbnails as large as the main window makes them.
    const QImage left = pattern(500, 375, 3);
    const QImage right = pattern(500, 375, 5);
    const auto dialog = open(left, right, 0.5, 0, 0);
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Set Global Offset"));
    const auto* group = dialog->findChild<QGroupBox*>();
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("Global Offset"));
    QStringList texts;
    for (const QLabel* label : group->findChildren<QLabel*>())
        texts << label->text();
    QCOMPARE(texts, (QStringList{"X [pixel]", "Y [pixel]", "0", "0"}));
    for (const char* name : {"xValueLabel", "yValueLabel"}) {
        const auto* label = dialog->findChild<QLabel*>(QLatin1String(name));
        QCOMPARE(label->frameStyle(), int(QFrame::WinPanel | QFrame::Sunken));
        QVERIFY(label->minimumWidth() > label->fontMetrics().horizontalAdvance("XXXXX"));
    }

    QCOMPARE(button(*dialog, "okButton")->text(), m_settings->textOk());
    QCOMPARE(button(*dialog, "cancelButton")->text(), m_settings->textCancel());
    const QPushButton* reset = button(*dialog, "resetButton");
    QVERIFY(reset->text().isEmpty());
    QCOMPARE(reset->size(), QSize(button(*dialog, "downButton")->sizeHint().width(),
                                  button(*dialog, "leftButton")->sizeHint().height()));
    // The pad is a cross: up and down above and below reset, left and right beside it.
    const auto centre
            = [&](const char* name) { return button(*dialog, name)->geometry().center(); };
    QCOMPARE(centre("upButton").x(), centre("resetButton").x());
    QCOMPARE(centre("downButton").x(), centre("resetButton").x());
    QCOMPARE(centre("leftButton").y(), centre("resetButton").y());
    QCOMPARE(centre("rightButton").y(), centre("resetButton").y());
    QVERIFY(centre("upButton").y() < centre("resetButton").y());
    QVERIFY(centre("leftButton").x() < centre("resetButton").x());

    // The whole reduced image is in sight, without scroll bars.
    const KVOverlayViewer* preview = dialog->previewViewer();
    QCOMPARE(preview->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(preview->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(preview->minimumWidth(), left.width() + 10);
    QVERIFY(preview->viewport()->width() >= right.width());
    QVERIFY(preview->viewport()->height() >= right.height());
}

void TestZORSetGlobalOffsetDlg::arrowPixmaps_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"upButton", "downButton", "leftButton", "rightButton"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestZORSetGlobalOffsetDlg::arrowPixmaps()
{
    QFETCH(QString, name);
    const Dialog dialog(m_left, m_right, 1.0, 0, 0);
    const auto* arrowButton = dialog.findChild<QPushButton*>(name);
    QVERIFY(arrowButton);
    QCOMPARE(arrowButton->size(), arrowButton->sizeHint());
    const QImage arrow
            = arrowButton->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(arrow.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb want = arrowAt(name, x, y) ? qRgba(0, 0, 0, 255) : qRgba(0, 0, 0, 0);
            QVERIFY2(arrow.pixel(x, y) == want,
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
    }
}

void TestZORSetGlobalOffsetDlg::opening_data()
{
    QTest::addColumn<int>("deltaX");
    QTest::addColumn<int>("deltaY");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("previewX");
    QTest::addColumn<int>("previewY");
    QTest::addColumn<int>("fieldX");
    QTest::addColumn<int>("fieldY");

    QTest::newRow("deltaX 7 at scale 0.5") << 7 << 0 << 0.5 << 4 << 0 << 8 << 0;
    QTest::newRow("scale 1") << 7 << -3 << 1.0 << 7 << -3 << 7 << -3;
    QTest::newRow("negative halves round up") << -7 << -5 << 0.5 << -3 << -2 << -6 << -4;
    QTest::newRow("scale 0.25") << 3 << 6 << 0.25 << 1 << 2 << 4 << 8;
    QTest::newRow("scale of a 1 x 1 image") << 7 << -1 << 500.0 << 3500 << -500 << 7 << -1;
    QTest::newRow("scale of a 20000-pixel image")
            << 7 << 100 << double(500.0f / 20000.0f) << 0 << 3 << 0 << 120;
    QTest::newRow("far beyond the preview")
            << 100000 << -100000 << 0.5 << 50000 << -50000 << 100000 << -100000;
    QTest::newRow("ends of the int range at scale 500")
            << INT_MAX << INT_MIN << 500.0 << INT_MAX << INT_MIN << 4294967 << -4294967;
}

void TestZORSetGlobalOffsetDlg::opening()
{
    QFETCH(int, deltaX);
    QFETCH(int, deltaY);
    QFETCH(double, scale);
    QFETCH(int, previewX);
    QFETCH(int, previewY);
    QFETCH(int, fieldX);
    QFETCH(int, fieldY);

    const auto dialog = open(m_left, m_right, scale, deltaX, deltaY);
    QVERIFY(dialog);
    QCOMPARE(dialog->previewViewer()->deltaX(), previewX);
    QCOMPARE(dialog->previewViewer()->deltaY(), previewY);
    QCOMPARE(field(*dialog, "xValueLabel"), QString::number(fieldX));
    QCOMPARE(field(*dialog, "yValueLabel"), QString::number(fieldY));
    QCOMPARE(dialog->offsetX(), fieldX);
    QCOMPARE(dialog->offsetY(), fieldY);
    const QString diff
            = compareBlend(dialog->previewViewer()->image(), m_left, m_right, previewX, previewY);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestZORSetGlobalOffsetDlg::clicksAndReset()
{
    const auto dialog = open(m_left, m_right, 0.5, 7, 0);
    QVERIFY(dialog);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    QCOMPARE(dialog->previewViewer()->deltaX(), 7);
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("14"));
    QTest::mouseClick(button(*dialog, "leftButton"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "upButton"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "upButton"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "downButton"), Qt::LeftButton);
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("12"));
    QCOMPARE(field(*dialog, "yValueLabel"), QStringLiteral("-2"));
    QString diff = compareBlend(dialog->previewViewer()->image(), m_left, m_right, 6, -1);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // Back to what the dialog opened with, as the preview showed it: 8, not 7.
    QTest::mouseClick(button(*dialog, "resetButton"), Qt::LeftButton);
    QCOMPARE(dialog->previewViewer()->deltaX(), 4);
    QCOMPARE(dialog->previewViewer()->deltaY(), 0);
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("8"));
    QCOMPARE(field(*dialog, "yValueLabel"), QStringLiteral("0"));
    diff = compareBlend(dialog->previewViewer()->image(), m_left, m_right, 4, 0);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // And the pad goes on from there.
    QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("10"));
}

void TestZORSetGlobalOffsetDlg::fieldsRoundHalvesUp()
{
    // At scale 4 every preview pixel is a quarter of a full-size one, so halves appear.
    const auto dialog = open(m_left, m_right, 4.0, -2, 2);
    QVERIFY(dialog);
    // Preview -7 to 3 in X and 7 to -3 in Y, divided by 4.
    const QStringList afterRight{"-2", "-1", "-1", "-1", "-1", "0", "0", "0", "0", "1", "1"};
    const QStringList afterUp{"2", "2", "1", "1", "1", "1", "0", "0", "0", "0", "-1"};
    QStringList right;
    QStringList up;
    for (int i = 0; i < afterRight.size(); ++i) {
        QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
        QTest::mouseClick(button(*dialog, "upButton"), Qt::LeftButton);
        right << field(*dialog, "xValueLabel");
        up << field(*dialog, "yValueLabel");
    }
    QCOMPARE(right, afterRight);
    QCOMPARE(up, afterUp);
}

void TestZORSetGlobalOffsetDlg::arrowsGoThroughPreview()
{
    const auto dialog = open(m_left, m_right, 0.5, 0, 0);
    QVERIFY(dialog);
    QSignalSpy xSpy(dialog->previewViewer(), &KVOverlayViewer::displacementXChanged);
    QSignalSpy ySpy(dialog->previewViewer(), &KVOverlayViewer::displacementYChanged);
    QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    QTest::mouseClick(button(*dialog, "downButton"), Qt::LeftButton);
    QCOMPARE(xSpy.count(), 1);
    QCOMPARE(xSpy.at(0).at(0).toInt(), 1);
    QCOMPARE(ySpy.count(), 1);
    QCOMPARE(ySpy.at(0).at(0).toInt(), 1);

    // Whoever moves the preview, the fields follow.
    dialog->previewViewer()->setDeltaX(-9);
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("-18"));
    QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    QCOMPARE(dialog->previewViewer()->deltaX(), -8);
}

void TestZORSetGlobalOffsetDlg::dragInPreviewShowsInFields()
{
    const auto dialog = open(m_left, m_right, 0.5, 0, 0);
    QVERIFY(dialog);
    QWidget* viewport = dialog->previewViewer()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(viewport, QPoint(26, 17));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(26, 17));
    QCOMPARE(field(*dialog, "xValueLabel"), QStringLiteral("12"));
    QCOMPARE(field(*dialog, "yValueLabel"), QStringLiteral("-6"));
    QTest::mouseClick(button(*dialog, "upButton"), Qt::LeftButton);
    QCOMPARE(dialog->previewViewer()->deltaY(), -4);
}

void TestZORSetGlobalOffsetDlg::padStopsAtIntRange_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("towards");
    QTest::newRow("right at INT_MAX") << INT_MAX << "rightButton";
    QTest::newRow("down at INT_MAX") << INT_MAX << "downButton";
    QTest::newRow("left at INT_MIN") << INT_MIN << "leftButton";
    QTest::newRow("up at INT_MIN") << INT_MIN << "upButton";
}

void TestZORSetGlobalOffsetDlg::padStopsAtIntRange()
{
    QFETCH(int, value);
    QFETCH(QString, towards);
    const auto dialog = open(m_left, m_right, 1.0, value, value);
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton*>(towards), Qt::LeftButton);
    QCOMPARE(dialog->previewViewer()->deltaX(), value);
    QCOMPARE(dialog->previewViewer()->deltaY(), value);
    QCOMPARE(dialog->offsetX(), value);
    QCOMPARE(dialog->offsetY(), value);
    const QString diff
            = compareBlend(dialog->previewViewer()->image(), m_left, m_right, value, value);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestZORSetGlobalOffsetDlg::unusableScaleIsOne_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -0.5;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
}

void TestZORSetGlobalOffsetDlg::unusableScaleIsOne()
{
    QFETCH(double, scale);
    const auto dialog = open(m_left, m_right, scale, 7, -3);
    QVERIFY(dialog);
    QCOMPARE(dialog->previewViewer()->deltaX(), 7);
    QCOMPARE(dialog->offsetX(), 7);
    QTest::mouseClick(button(*dialog, "upButton"), Qt::LeftButton);
    QCOMPARE(dialog->offsetY(), -4);
}

void TestZORSetGlobalOffsetDlg::nullImages()
{
    const auto dialog = open(QImage(), QImage(), 0.5, 7, 3);
    QVERIFY(dialog);
    QVERIFY(dialog->previewViewer()->image().isNull());
    QCOMPARE(dialog->previewViewer()->minimumSize(), QSize(410, 400));
    QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    QCOMPARE(dialog->offsetX(), 10);
    QCOMPARE(dialog->offsetY(), 4);
}

void TestZORSetGlobalOffsetDlg::cancel_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("reject()") << "reject";
}

void TestZORSetGlobalOffsetDlg::cancel()
{
    QFETCH(QString, how);
    const auto dialog = open(m_left, m_right, 0.5, 7, 0);
    QVERIFY(dialog);
    QSignalSpy spy(dialog.get(), &Dialog::globalOffset);
    QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    if (how == QLatin1String("button"))
        QTest::mouseClick(button(*dialog, "cancelButton"), Qt::LeftButton);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
    else
        dialog->reject();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(spy.count(), 0);
}

void TestZORSetGlobalOffsetDlg::ok_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK button") << "button";
    QTest::newRow("Return key") << "return";
    QTest::newRow("accept()") << "accept";
}

void TestZORSetGlobalOffsetDlg::ok()
{
    QFETCH(QString, how);
    const auto dialog = open(m_left, m_right, 0.5, 7, -3);
    QVERIFY(dialog);
    QSignalSpy spy(dialog.get(), &Dialog::globalOffset);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(button(*dialog, "rightButton"), Qt::LeftButton);
    button(*dialog, "okButton")->setFocus();
    if (how == QLatin1String("button"))
        QTest::mouseClick(button(*dialog, "okButton"), Qt::LeftButton);
    else if (how == QLatin1String("return"))
        QTest::keyClick(dialog.get(), Qt::Key_Return);
    else
        dialog->accept();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    // -3 at 0.5 is -1.5, shown as -1 in the preview and -2 in the field.
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 14);
    QCOMPARE(spy.at(0).at(1).toInt(), -2);
    QCOMPARE(dialog->offsetX(), 14);
    QCOMPARE(dialog->offsetY(), -2);
}

void TestZORSetGlobalOffsetDlg::runHookAnswers()
{
    Dialog dialog(m_left, m_right, 0.5, 7, 0, nullptr, nullptr, true);
    Dialog* seen = nullptr;
    Dialog::setRunHook([&seen](Dialog& d) {
        seen = &d;
        d.findChild<QPushButton*>(QStringLiteral("rightButton"))->click();
        d.accept();
        return int(d.result());
    });
    QCOMPARE(dialog.run(), int(QDialog::Accepted));
    QCOMPARE(seen, &dialog);
    QCOMPARE(dialog.offsetX(), 10);
}

void TestZORSetGlobalOffsetDlg::thumbnails_data()
{
    QTest::addColumn<QSize>("leftSize");
    QTest::addColumn<QSize>("rightSize");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QSize>("leftThumb");
    QTest::addColumn<QSize>("rightThumb");

    const auto rgb = QImage::Format_RGB32;
    QTest::newRow("1200 x 900 pair") << QSize(1200, 900) << QSize(1200, 900) << rgb
                                     << 500.0f / 1200.0f << QSize(500, 375) << QSize(500, 375);
    QTest::newRow("largest side from the other image")
            << QSize(800, 600) << QSize(400, 1000) << rgb << 0.5f << QSize(400, 300)
            << QSize(200, 500);
    QTest::newRow("half rounds up") << QSize(3000, 2001) << QSize(3000, 2001) << rgb
                                    << 500.0f / 3000.0f << QSize(500, 334) << QSize(500, 334);
    QTest::newRow("below half rounds down") << QSize(999, 3) << QSize(10, 10) << rgb
                                            << 500.0f / 999.0f << QSize(500, 2) << QSize(5, 5);
    QTest::newRow("1 x 1 enlarged")
            << QSize(1, 1) << QSize(1, 1) << rgb << 500.0f << QSize(500, 500) << QSize(500, 500);
    QTest::newRow("20000-pixel strip keeps a row") << QSize(20000, 10) << QSize(20000, 10) << rgb
                                                   << 0.025f << QSize(500, 1) << QSize(500, 1);
    QTest::newRow("8-bit images come out 32-bit")
            << QSize(100, 50) << QSize(100, 50) << QImage::Format_Indexed8 << 5.0f
            << QSize(500, 250) << QSize(500, 250);
}

void TestZORSetGlobalOffsetDlg::thumbnails()
{
    QFETCH(QSize, leftSize);
    QFETCH(QSize, rightSize);
    QFETCH(QImage::Format, format);
    QFETCH(float, scale);
    QFETCH(QSize, leftThumb);
    QFETCH(QSize, rightThumb);

    const QRgb leftColour = qRgb(200, 40, 10);
    const QRgb rightColour = qRgb(10, 90, 250);
    const QImage left = filled(leftSize.width(), leftSize.height(), leftColour, format);
    const QImage right = filled(rightSize.width(), rightSize.height(), rightColour, format);
    const ZOROffsetThumbnails thumbnails = zorOffsetThumbnails(left, right);
    QVERIFY(thumbnails.isValid());
    QCOMPARE(thumbnails.scale, double(scale));
    QCOMPARE(thumbnails.left.size(), leftThumb);
    QCOMPARE(thumbnails.right.size(), rightThumb);
    QCOMPARE(thumbnails.left.format(), QImage::Format_RGB32);
    QCOMPARE(thumbnails.right.format(), QImage::Format_RGB32);
    // An even colour stays what it was, and each image stays itself.
    for (const auto& [thumb, colour] :
         {std::pair{thumbnails.left, leftColour}, std::pair{thumbnails.right, rightColour}}) {
        for (int y = 0; y < thumb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(thumb.constScanLine(y));
            for (int x = 0; x < thumb.width(); ++x)
                QVERIFY2((line[x] & 0xffffff) == (colour & 0xffffff),
                         qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
    }
}

void TestZORSetGlobalOffsetDlg::thumbnailsOfNothing_data()
{
    QTest::addColumn<QImage>("left");
    QTest::addColumn<QImage>("right");
    const QImage image = filled(40, 30, qRgb(1, 2, 3));
    QTest::newRow("no left image") << QImage() << image;
    QTest::newRow("no right image") << image << QImage();
    QTest::newRow("no images") << QImage() << QImage();
}

void TestZORSetGlobalOffsetDlg::thumbnailsOfNothing()
{
    QFETCH(QImage, left);
    QFETCH(QImage, right);
    const ZOROffsetThumbnails thumbnails = zorOffsetThumbnails(left, right);
    QVERIFY(!thumbnails.isValid());
    QCOMPARE(thumbnails.scale, 0.0);
    QVERIFY(thumbnails.left.isNull());
    QVERIFY(thumbnails.right.isNull());
}

QTEST_MAIN(TestZORSetGlobalOffsetDlg)
#include "tst_zorsetglobaloffsetdlg.moc"
