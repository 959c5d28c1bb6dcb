#include "kvoverlayviewer.h"
#include "stereotesthelpers.h"
#include "zorsetglobaloffsetdlg.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <climits>

using Dialog = ZORSetGlobalOffsetDlg;
using Shown = QList<int>; // the preview's offset x, y; the fields x, y

// The preview by the overlay rules: the grey of the right image, averaged with the grey of the
// left image shifted by (dx, dy) where they overlap.
static QImage blend(const QImage& left, const QImage& right, qint64 dx, qint64 dy)
{
    const auto grey = [](QRgb c) { return (11 * qRed(c) + 16 * qGreen(c) + 5 * qBlue(c)) / 32; };
    QImage result(right.size(), QImage::Format_RGB32);
    for (int y = 0; y < right.height(); ++y)
        for (int x = 0; x < right.width(); ++x) {
            int v = grey(right.pixel(x, y));
            if (x - dx >= 0 && x - dx < left.width() && y - dy >= 0 && y - dy < left.height())
                v = (grey(left.pixel(int(x - dx), int(y - dy))) + v) / 2;
            result.setPixel(x, y, qRgb(v, v, v));
        }
    return result;
}

static Shown shown(const Dialog& dialog)
{
    return {dialog.previewViewer()->deltaX(), dialog.previewViewer()->deltaY(),
            dialog.findChild<QLabel*>("xValueLabel")->text().toInt(),
            dialog.findChild<QLabel*>("yValueLabel")->text().toInt()};
}

// Clicks a button and returns what the dialog shows then.
static Shown click(const Dialog& dialog, const char* button, int times = 1)
{
    for (int i = 0; i < times; ++i)
        dialog.findChild<QPushButton*>(button)->click();
    return shown(dialog);
}

class TestZORSetGlobalOffsetDlg : public QObject
{
    Q_OBJECT

private slots:
    void opening_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<Shown>("expected");

        QTest::newRow("deltaX 7 at scale 0.5") << 0.5 << QPoint(7, 0) << Shown{4, 0, 8, 0};
        QTest::newRow("scale 1") << 1.0 << QPoint(7, -3) << Shown{7, -3, 7, -3};
        QTest::newRow("negative, halves up") << 0.5 << QPoint(-7, -5) << Shown{-3, -2, -6, -4};
        QTest::newRow("1 x 1 image") << 500.0 << QPoint(7, -1) << Shown{3500, -500, 7, -1};
        QTest::newRow("20000-pixel image")
                << double(500.0f / 20000.0f) << QPoint(7, 100) << Shown{0, 3, 0, 120};
        QTest::newRow("ends of the int range")
                << 500.0 << QPoint(INT_MAX, INT_MIN) << Shown{INT_MAX, INT_MIN, 4294967, -4294967};
        QTest::newRow("unusable scale taken as 1") << 0.0 << QPoint(7, -3) << Shown{7, -3, 7, -3};
    }

    void opening()
    {
        QFETCH(double, scale);
        QFETCH(QPoint, delta);
        QFETCH(Shown, expected);
        Dialog dialog(m_left, m_right, scale, delta.x(), delta.y(), nullptr, "offset", true);
        QCOMPARE(shown(dialog), expected);
        QCOMPARE(dialog.previewViewer()->image().convertToFormat(QImage::Format_RGB32),
                 blend(m_left, m_right, expected[0], expected[1]));
        const int next = expected[0] == INT_MAX ? INT_MAX : expected[0] + 1; // stops at the end
        QCOMPARE(click(dialog, "rightButton")[0], next);
    }

    void padResetAndLeaving()
    {
        Dialog dialog(m_left, m_right, 0.5, 7, 0, nullptr, "offset", true);
        QCOMPARE(click(dialog, "rightButton", 3), (Shown{7, 0, 14, 0}));
        click(dialog, "leftButton");
        click(dialog, "upButton", 2);
        QCOMPARE(click(dialog, "downButton"), (Shown{6, -1, 12, -2}));
        // Back to what the dialog opened with, as the preview showed it: 8, not 7.
        QCOMPARE(click(dialog, "resetButton"), (Shown{4, 0, 8, 0}));
        dialog.previewViewer()->setDeltaX(-9);
        QCOMPARE(click(dialog, "rightButton"), (Shown{-8, 0, -16, 0}));

        QSignalSpy spy(&dialog, &Dialog::globalOffset);
        click(dialog, "cancelButton");
        QVERIFY(spy.isEmpty() && dialog.result() == QDialog::Rejected);
        click(dialog, "okButton");
        QCOMPARE(QList<QVariantList>(spy), (QList<QVariantList>{{-16, 0}}));
        QVERIFY(dialog.offsetX() == -16 && dialog.offsetY() == 0);
    }

    void thumbnails()
    {
        // The largest side of either image becomes 500 pixels, each side rounded half up; 32-bit.
        const auto made = [](QSize left, QSize right) {
            const ZOROffsetThumbnails t = zorOffsetThumbnails(
                    QImage(left, QImage::Format_Grayscale8), QImage(right, QImage::Format_RGB32));
            return QVariantList{t.left.size(), t.right.size(), t.left.format(), t.scale};
        };
        QCOMPARE(made({801, 600}, {400, 1000}),
                 (QVariantList{QSize(401, 300), QSize(200, 500), QImage::Format_RGB32, 0.5}));
        QCOMPARE(made({20000, 10}, {1, 1})[0], QSize(500, 1));
        QVERIFY(!zorOffsetThumbnails(QImage(), m_right).isValid());
    }

private:
    const QImage m_left = StereoTest::randomImage({60, 40}, 17);
    const QImage m_right = StereoTest::randomImage({60, 40}, 91);
};

QTEST_MAIN(TestZORSetGlobalOffsetDlg)
#include "tst_zorsetglobaloffsetdlg.moc"
