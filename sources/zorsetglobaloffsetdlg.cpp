#include "zorsetglobaloffsetdlg.h"

#include "kvoverlayviewer.h"
#include "zorsettings.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTransform>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The up arrow of the offset pad, 16 x 16, "a" black and "b" transparent; the other three
// are this one turned.
// clang-format off
const char* const kArrowUp[] = {
    "16 16 2 1",
    "a c #000000000000",
    "b c None",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbbaabbbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbaaaaaabbbbb",
    "bbbbaaaaaaaabbbb",
    "bbbaaaaaaaaaabbb",
    "bbaaaaaaaaaaaabb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbaaaabbbbbb",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbbbbbbbbbbb",
};
// clang-format on

const int kThumbnailSide = 500;
// The preview never asks for more room than the largest thumbnail the program makes; a larger
// image is shown cut rather than pushing OK and Cancel off the screen.
const int kMaxPreviewSide = kThumbnailSide + 10;
const QSize kUnsizedPreview(410, 400);

// The nearest integer, halves toward positive infinity (so -3.5 gives -3, unlike qRound in
// Qt 6), clamped to the int range; NaN gives 0. The negative branch keeps the arithmetic of
// the classic formula int(x - int(x - 1) + 0.5) + int(x - 1), in doubles so that nothing
// overflows.
int roundHalfUp(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 0.0) {
        const double v = x + 0.5;
        return v >= 2147483648.0 ? INT_MAX : int(v);
    }
    if (x <= double(INT_MIN))
        return INT_MIN;
    const double k = std::trunc(x - 1.0);
    const double v = std::trunc(x - k + 0.5) + k;
    return int(std::max(v, double(INT_MIN)));
}

// One preview pixel further, without wrapping around at the ends of the int range.
int stepped(int value, int step)
{
    return int(std::clamp(qint64(value) + step, qint64(INT_MIN), qint64(INT_MAX)));
}

// The pad's arrow pointing the given way, turned from the up arrow in whole quarters, so
// no pixel is resampled.
QPixmap arrowPixmap(Qt::ArrowType direction)
{
    const QImage up(kArrowUp);
    switch (direction) {
    case Qt::DownArrow:
        return QPixmap::fromImage(up.transformed(QTransform().rotate(180)));
    case Qt::LeftArrow:
        return QPixmap::fromImage(up.transformed(QTransform().rotate(-90)));
    case Qt::RightArrow:
        return QPixmap::fromImage(up.transformed(QTransform().rotate(90)));
    default:
        return QPixmap::fromImage(up);
    }
}

QPushButton* arrowButton(Qt::ArrowType direction, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    Q_CHECK_PTR(button);
    button->setObjectName(QLatin1String(objectName));
    const QPixmap arrow = arrowPixmap(direction);
    button->setIcon(QIcon(arrow));
    button->setIconSize(arrow.size());
    button->setFixedSize(button->sizeHint());
    return button;
}

QFrame* line(QFrame::Shape shape, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    Q_CHECK_PTR(frame);
    frame->setFrameStyle(shape | QFrame::Sunken);
    return frame;
}

// A side of a thumbnail: rounded half up, never below one pixel.
int thumbnailSide(int side, float scale)
{
    const double v = double(float(side) * scale) + 0.5;
    return int(std::clamp(v, 1.0, double(INT_MAX)));
}

ZORSetGlobalOffsetDlg::RunHook& runHook()
{
    static ZORSetGlobalOffsetDlg::RunHook hook;
    return hook;
}

} // namespace

ZOROffsetThumbnails zorOffsetThumbnails(const QImage& left, const QImage& right)
{
    ZOROffsetThumbnails thumbnails;
    if (left.isNull() || right.isNull())
        return thumbnails;
    const int m = std::max({left.width(), left.height(), right.width(), right.height()});
    if (m <= 0)
        return thumbnails;
    // Kept in single precision: the offset conversions of the dialog round with this value.
    const float scale = float(kThumbnailSide) / float(m);

    const auto reduce = [scale](const QImage& image) {
        const QImage scaled = image.scaled(thumbnailSide(image.width(), scale),
                                           thumbnailSide(image.height(), scale),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The preview blends only pairs of one depth.
        if (scaled.isNull() || scaled.format() == QImage::Format_RGB32)
            return scaled;
        return scaled.convertToFormat(QImage::Format_RGB32);
    };
    thumbnails.left = reduce(left);
    thumbnails.right = reduce(right);
    if (thumbnails.left.isNull() || thumbnails.right.isNull()) {
        qWarning("MEMORY EXCEPTION");
        return ZOROffsetThumbnails();
    }
    thumbnails.scale = double(scale);
    return thumbnails;
}

ZORSetGlobalOffsetDlg::ZORSetGlobalOffsetDlg(const QImage& leftImage, const QImage& rightImage,
                                             double scale, int deltaX, int deltaY, QWidget* parent,
                                             const char* name, bool modal, Qt::WindowFlags f)
    : QDialog(parent, f)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    // Every conversion divides by the scale.
    m_scale = std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
    m_leftPreviewPixmap = QPixmap::fromImage(leftImage);
    m_previewSized = !m_leftPreviewPixmap.isNull();

    m_initialX = m_currentX = roundHalfUp(double(deltaX) * m_scale);
    m_initialY = m_currentY = roundHalfUp(double(deltaY) * m_scale);

    buildLayout();

    m_previewViewer->setImages(leftImage, rightImage);
    m_previewViewer->show();
    m_previewViewer->setDeltaX(m_currentX);
    m_previewViewer->setDeltaY(m_currentY);
}

ZORSetGlobalOffsetDlg::~ZORSetGlobalOffsetDlg() = default;

void ZORSetGlobalOffsetDlg::buildLayout()
{
    setWindowTitle(tr("Set Global Offset"));

    auto* topLayout = new QVBoxLayout(this);
    Q_CHECK_PTR(topLayout);
    topLayout->setContentsMargins(5, 5, 5, 5);
    topLayout->setSpacing(5);

    auto* frame = new QFrame(this);
    Q_CHECK_PTR(frame);
    frame->setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    auto* frameLayout = new QVBoxLayout(frame);
    Q_CHECK_PTR(frameLayout);
    frameLayout->setContentsMargins(5, 5, 5, 5);
    frameLayout->setSpacing(0);
    frameLayout->addSpacing(5);
    auto* controlsLayout = new QHBoxLayout;
    Q_CHECK_PTR(controlsLayout);
    controlsLayout->setSpacing(0);
    frameLayout->addLayout(controlsLayout);

    // The two value fields.
    auto* groupBox = new QGroupBox(tr("Global Offset"), frame);
    Q_CHECK_PTR(groupBox);
    auto* valueGrid = new QGridLayout(groupBox);
    Q_CHECK_PTR(valueGrid);
    const int margin = groupBox->fontMetrics().height();
    valueGrid->setContentsMargins(margin, margin, margin, margin);
    valueGrid->setSpacing(5);
    valueGrid->setRowMinimumHeight(0, 5);

    m_xNameLabel = new QLabel(tr("X [pixel]"), groupBox);
    Q_CHECK_PTR(m_xNameLabel);
    m_yNameLabel = new QLabel(tr("Y [pixel]"), groupBox);
    Q_CHECK_PTR(m_yNameLabel);
    m_xValueLabel = new QLabel(groupBox);
    Q_CHECK_PTR(m_xValueLabel);
    m_xValueLabel->setObjectName(QStringLiteral("xValueLabel"));
    m_yValueLabel = new QLabel(groupBox);
    Q_CHECK_PTR(m_yValueLabel);
    m_yValueLabel->setObjectName(QStringLiteral("yValueLabel"));
    for (QLabel* label : {m_xNameLabel, m_yNameLabel}) {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumSize(label->sizeHint());
    }
    // The value fields keep room for five digits whatever the value is now: their minimum size
    // is taken from five wide letters before the value goes in.
    const QString fiveWideLetters(5, QLatin1Char('X'));
    for (QLabel* label : {m_xValueLabel, m_yValueLabel}) {
        label->setText(fiveWideLetters);
        label->setMinimumSize(label->sizeHint());
        label->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    }
    m_xValueLabel->setText(fullSizeText(m_currentX));
    m_yValueLabel->setText(fullSizeText(m_currentY));
    valueGrid->addWidget(m_xNameLabel, 1, 0, Qt::AlignCenter);
    valueGrid->addWidget(m_yNameLabel, 2, 0, Qt::AlignCenter);
    valueGrid->addWidget(m_xValueLabel, 1, 1);
    valueGrid->addWidget(m_yValueLabel, 2, 1);
    valueGrid->setRowStretch(1, 0);
    valueGrid->setRowStretch(2, 0);
    valueGrid->setColumnStretch(0, 0);
    valueGrid->setColumnStretch(1, 100);
    controlsLayout->addWidget(groupBox);

    controlsLayout->addWidget(line(QFrame::VLine, frame));
    controlsLayout->addSpacing(5);

    // The offset pad: four arrows around the reset button.
    auto* pad = new QGridLayout;
    Q_CHECK_PTR(pad);
    pad->setSpacing(0);
    m_buttonUp = arrowButton(Qt::UpArrow, "upButton", frame);
    m_buttonDown = arrowButton(Qt::DownArrow, "downButton", frame);
    m_buttonLeft = arrowButton(Qt::LeftArrow, "leftButton", frame);
    m_buttonRight = arrowButton(Qt::RightArrow, "rightButton", frame);
    m_buttonReset = new QPushButton(frame);
    Q_CHECK_PTR(m_buttonReset);
    m_buttonReset->setObjectName(QStringLiteral("resetButton"));
    m_buttonReset->setFixedSize(m_buttonDown->sizeHint().width(),
                                m_buttonLeft->sizeHint().height());
    pad->addWidget(m_buttonUp, 0, 3);
    pad->addWidget(m_buttonDown, 4, 3);
    pad->addWidget(m_buttonLeft, 2, 1);
    pad->addWidget(m_buttonRight, 2, 5);
    pad->addWidget(m_buttonReset, 2, 3);
    controlsLayout->addLayout(pad);
    controlsLayout->addSpacing(5);

    // The preview below the controls.
    frameLayout->addSpacing(5);
    frameLayout->addWidget(line(QFrame::HLine, frame));
    frameLayout->addSpacing(5);
    m_previewViewer = new KVOverlayViewer(frame, "previewViewer");
    Q_CHECK_PTR(m_previewViewer);
    m_previewViewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_previewViewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (m_previewSized) {
        // The width already leaves room for the frame; the height gets it added so that no
        // row of the preview is hidden under the frame.
        const int frameWidth = m_previewViewer->frameWidth();
        const int width = std::min(m_leftPreviewPixmap.width(), kMaxPreviewSide) + 10;
        const int height = std::min(m_leftPreviewPixmap.height(), kMaxPreviewSide);
        m_previewViewer->setMinimumSize(width, height + 2 * frameWidth);
    } else {
        m_previewViewer->setMinimumSize(kUnsizedPreview);
    }
    frameLayout->addWidget(m_previewViewer);
    frameLayout->addSpacing(5);
    frameLayout->addStretch(100);
    topLayout->addWidget(frame, 100);

    // OK and Cancel.
    const ZORSettings* settings = ZORSettings::instance();
    const QString okText
            = settings && !settings->textOk().isEmpty() ? settings->textOk() : tr("OK");
    const QString cancelText = settings && !settings->textCancel().isEmpty()
                                       ? settings->textCancel()
                                       : tr("Cancel");
    auto* buttonLayout = new QHBoxLayout;
    Q_CHECK_PTR(buttonLayout);
    auto* buttonOk = new QPushButton(okText, this);
    Q_CHECK_PTR(buttonOk);
    buttonOk->setObjectName(QStringLiteral("okButton"));
    buttonOk->setDefault(true);
    auto* buttonCancel = new QPushButton(cancelText, this);
    Q_CHECK_PTR(buttonCancel);
    buttonCancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {buttonOk, buttonCancel}) {
        button->setFixedSize(button->sizeHint());
        buttonLayout->addWidget(button);
    }
    topLayout->addLayout(buttonLayout);

    connect(buttonOk, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::aboutToAccept);
    connect(buttonCancel, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::reject);
    connect(m_buttonUp, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::moveOnePixelUp);
    connect(m_buttonDown, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::moveOnePixelDown);
    connect(m_buttonLeft, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::moveOnePixelLeft);
    connect(m_buttonRight, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::moveOnePixelRight);
    connect(m_buttonReset, &QPushButton::clicked, this, &ZORSetGlobalOffsetDlg::resetOffset);
    connect(m_previewViewer, &KVOverlayViewer::displacementXChanged, this,
            &ZORSetGlobalOffsetDlg::displayDeltaX);
    connect(m_previewViewer, &KVOverlayViewer::displacementYChanged, this,
            &ZORSetGlobalOffsetDlg::displayDeltaY);
}

QString ZORSetGlobalOffsetDlg::fullSizeText(int previewOffset) const
{
    return QString::number(roundHalfUp(double(previewOffset) / m_scale));
}

int ZORSetGlobalOffsetDlg::offsetX() const
{
    return m_xValueLabel->text().toInt();
}

int ZORSetGlobalOffsetDlg::offsetY() const
{
    return m_yValueLabel->text().toInt();
}

int ZORSetGlobalOffsetDlg::run()
{
    if (const RunHook& hook = runHook())
        return hook(*this);
    return exec();
}

void ZORSetGlobalOffsetDlg::setRunHook(RunHook hook)
{
    runHook() = std::move(hook);
}

void ZORSetGlobalOffsetDlg::accept()
{
    emit globalOffset(offsetX(), offsetY());
    QDialog::accept();
}

void ZORSetGlobalOffsetDlg::aboutToAccept()
{
    accept();
}

// The arrows only ask the preview; its signals bring the new offset back to the fields, so
// that a drag in the preview and a click on the pad take the same way.
void ZORSetGlobalOffsetDlg::moveOnePixelUp()
{
    m_previewViewer->setDeltaY(stepped(m_currentY, -1));
}

void ZORSetGlobalOffsetDlg::moveOnePixelDown()
{
    m_previewViewer->setDeltaY(stepped(m_currentY, 1));
}

void ZORSetGlobalOffsetDlg::moveOnePixelLeft()
{
    m_previewViewer->setDeltaX(stepped(m_currentX, -1));
}

void ZORSetGlobalOffsetDlg::moveOnePixelRight()
{
    m_previewViewer->setDeltaX(stepped(m_currentX, 1));
}

void ZORSetGlobalOffsetDlg::resetOffset()
{
    m_currentX = m_initialX;
    m_currentY = m_initialY;
    m_xValueLabel->setText(fullSizeText(m_currentX));
    m_yValueLabel->setText(fullSizeText(m_currentY));
    m_previewViewer->setDeltaX(m_currentX);
    m_previewViewer->setDeltaY(m_currentY);
}

void ZORSetGlobalOffsetDlg::displayDeltaX(int value)
{
    m_currentX = value;
    m_xValueLabel->setText(fullSizeText(value));
}

void ZORSetGlobalOffsetDlg::displayDeltaY(int value)
{
    m_currentY = value;
    m_yValueLabel->setText(fullSizeText(value));
}
