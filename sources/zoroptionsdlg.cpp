#include "zoroptionsdlg.h"

#include "zoroptions.h"
#include "zorsettings.h"
#include "zorwaitcursor.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct PairInfo
{
    Qt::GlobalColor partner; // the colour red is paired with
    const char* redFirst;
    const char* redSecond;
};

const std::array<PairInfo, 3> kPairs{{
        {Qt::blue, QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Red, Blue"),
         QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Blue, Red")},
        {Qt::green, QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Red, Green"),
         QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Green, Red")},
        {Qt::cyan, QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Red, Cyan"),
         QT_TRANSLATE_NOOP("ZOROptAnaglyphTab", "Cyan, Red")},
}};

const int kDefaultPair = 3;
const int kSwatchSize = 20;
// Full-strength channels are too bright next to each other on screen; the stored pair
// is dimmed (blue excepted) so that the default pair becomes #B80000 / #00B8FF.
const double kDarkening = 0.72;

QString pairText(const char* text)
{
    return QCoreApplication::translate("ZOROptAnaglyphTab", text);
}

// The pair (1 blue, 2 green, 3 cyan) whose partner colour `color` is; only which
// components are zero counts, so a darkened colour is recognised as well. 0 for none.
int pairOf(const QColor& color)
{
    const bool green = color.green() != 0;
    const bool blue = color.blue() != 0;
    if (blue && !green)
        return 1;
    if (green && !blue)
        return 2;
    if (green && blue)
        return 3;
    return 0;
}

QColor swatchColor(const QLabel* swatch)
{
    return swatch->palette().color(QPalette::Window);
}

void setSwatchColor(QLabel* swatch, const QColor& color)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, color);
    swatch->setPalette(palette);
}

QColor darkened(const QColor& color)
{
    return QColor(qRound(kDarkening * color.red()), qRound(kDarkening * color.green()),
                  color.blue());
}

} // namespace

ZOROptAnaglyphTab::ZOROptAnaglyphTab(QWidget* parent, const char* name)
    : QWidget(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));

    auto* layout = new QVBoxLayout(this);
    Q_CHECK_PTR(layout);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);

    auto* swapButton = new QPushButton(this);
    Q_CHECK_PTR(swapButton);
    swapButton->setObjectName(QStringLiteral("swapButton"));
    const QPixmap* swapIcon
            = ZORSettings::instance() ? &ZORSettings::instance()->iconSwap() : nullptr;
    if (swapIcon && !swapIcon->isNull()) {
        swapButton->setIcon(QIcon(*swapIcon));
        swapButton->setIconSize(swapIcon->size());
    } else {
        // Without its picture the button would be an empty square.
        swapButton->setText(tr("Swap Colors"));
    }
    swapButton->setToolTip(tr("Swap Colors"));
    swapButton->setFixedSize(swapButton->sizeHint());
    connect(swapButton, &QPushButton::clicked, this, &ZOROptAnaglyphTab::swapChannels);
    layout->addWidget(swapButton);

    auto* grid = new QGridLayout;
    Q_CHECK_PTR(grid);
    grid->setSpacing(5);
    layout->addLayout(grid);

    auto* leftLabel = new QLabel(tr("Left"), this);
    Q_CHECK_PTR(leftLabel);
    auto* rightLabel = new QLabel(tr("Right"), this);
    Q_CHECK_PTR(rightLabel);
    grid->addWidget(leftLabel, 0, 0);
    grid->addWidget(rightLabel, 0, 1);

    QRadioButton** buttons[] = {&pairButton1, &pairButton2, &pairButton3};
    QLabel** lefts[] = {&leftSwatch1, &leftSwatch2, &leftSwatch3};
    QLabel** rights[] = {&rightSwatch1, &rightSwatch2, &rightSwatch3};
    m_pairGroup = new QButtonGroup(this);
    Q_CHECK_PTR(m_pairGroup);
    m_pairGroup->setExclusive(true);
    for (int i = 0; i < 3; ++i) {
        const QString number = QString::number(i + 1);
        QLabel*& left = *lefts[i];
        QLabel*& right = *rights[i];
        QRadioButton*& button = *buttons[i];

        left = new QLabel(this);
        Q_CHECK_PTR(left);
        left->setObjectName(QStringLiteral("leftSwatch") + number);
        right = new QLabel(this);
        Q_CHECK_PTR(right);
        right->setObjectName(QStringLiteral("rightSwatch") + number);
        for (QLabel* swatch : {left, right}) {
            swatch->setFixedSize(kSwatchSize, kSwatchSize);
            swatch->setAutoFillBackground(true);
        }
        button = new QRadioButton(this);
        Q_CHECK_PTR(button);
        button->setObjectName(QStringLiteral("pairButton") + number);

        grid->addWidget(left, i + 1, 0);
        grid->addWidget(right, i + 1, 1);
        // The button keeps the width of its text; the column takes the rest of the row.
        grid->addWidget(button, i + 1, 2, Qt::AlignLeft);
        m_pairGroup->addButton(button, i + 1);
    }
    // The pair buttons take what is left of the width, the swatch columns only their labels.
    grid->setColumnStretch(2, 1);

    layout->addStretch(100);

    QTimer::singleShot(0, this, &ZOROptAnaglyphTab::initData);
}

std::array<ZOROptAnaglyphTab::Row, 3> ZOROptAnaglyphTab::rows() const
{
    return {{{pairButton1, leftSwatch1, rightSwatch1},
             {pairButton2, leftSwatch2, rightSwatch2},
             {pairButton3, leftSwatch3, rightSwatch3}}};
}

void ZOROptAnaglyphTab::fillRows(bool redOnLeft)
{
    const auto all = rows();
    for (size_t i = 0; i < all.size(); ++i) {
        const QColor red(Qt::red);
        const QColor partner(kPairs[i].partner);
        setSwatchColor(all[i].leftSwatch, redOnLeft ? red : partner);
        setSwatchColor(all[i].rightSwatch, redOnLeft ? partner : red);
        all[i].button->setText(pairText(redOnLeft ? kPairs[i].redFirst : kPairs[i].redSecond));
    }
}

void ZOROptAnaglyphTab::selectPair(int pair)
{
    if (QAbstractButton* button = m_pairGroup->button(pair))
        button->setChecked(true);
}

void ZOROptAnaglyphTab::initData()
{
    if (ZOROptions* options = ZOROptions::instance()) {
        options->readAnaglyphChannels(storedLeft, storedRight);
    } else {
        storedLeft = QColor();
        storedRight = QColor();
    }
    if (!storedLeft.isValid() || !storedRight.isValid()) {
        setDefaults();
        return;
    }

    const bool redOnLeft = storedRight.red() < storedLeft.red();
    const int pair = pairOf(redOnLeft ? storedRight : storedLeft);
    if (pair == 0) {
        // Not one of our pairs (a hand-edited profile): start from the defaults.
        setDefaults();
        return;
    }
    fillRows(redOnLeft);
    selectPair(pair);
}

void ZOROptAnaglyphTab::setDefaults()
{
    fillRows(true);
    selectPair(kDefaultPair);
}

void ZOROptAnaglyphTab::swapChannels()
{
    const auto all = rows();
    for (size_t i = 0; i < all.size(); ++i) {
        const QColor left = swatchColor(all[i].leftSwatch);
        setSwatchColor(all[i].leftSwatch, swatchColor(all[i].rightSwatch));
        setSwatchColor(all[i].rightSwatch, left);

        // Styles may insert keyboard accelerators into button texts.
        QString text = all[i].button->text();
        text.remove(QLatin1Char('&'));
        const QString redFirst = pairText(kPairs[i].redFirst);
        all[i].button->setText(text == redFirst ? pairText(kPairs[i].redSecond) : redFirst);
    }
}

void ZOROptAnaglyphTab::aboutToAccept()
{
    const int pair = m_pairGroup->checkedId();
    // Before initData() has run nothing is selected and there is no choice to store; an
    // empty choice would otherwise be written as black on black.
    if (pair < 1 || pair > 3)
        return;
    const Row row = rows()[static_cast<size_t>(pair - 1)];
    const QColor left = darkened(swatchColor(row.leftSwatch));
    const QColor right = darkened(swatchColor(row.rightSwatch));
    if (ZOROptions* options = ZOROptions::instance())
        options->writeAnaglyphChannels(left, right);
}

ZOROptionsDlg::ZOROptionsDlg(QWidget* parent, const char* name)
    : QDialog(parent)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(true);

    if (const ZORSettings* settings = ZORSettings::instance()) {
        setWindowIcon(QIcon(settings->iconApp16()));
        setWindowTitle(settings->appName() + QStringLiteral(" - ") + tr("Options"));
    } else {
        setWindowTitle(tr("Options"));
    }

    auto* layout = new QVBoxLayout(this);
    Q_CHECK_PTR(layout);

    m_tabWidget = new QTabWidget(this);
    Q_CHECK_PTR(m_tabWidget);
    m_anaglyphTab = new ZOROptAnaglyphTab(m_tabWidget, "anaglyphTab");
    Q_CHECK_PTR(m_anaglyphTab);
    m_tabWidget->addTab(m_anaglyphTab, tr("Anaglyph"));
    layout->addWidget(m_tabWidget);

    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                               | QDialogButtonBox::RestoreDefaults,
                                       this);
    Q_CHECK_PTR(m_buttonBox);
    layout->addWidget(m_buttonBox);

    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &ZOROptionsDlg::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &ZOROptionsDlg::reject);
    connect(m_buttonBox->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked,
            m_anaglyphTab, &ZOROptAnaglyphTab::setDefaults);
}

void ZOROptionsDlg::accept()
{
    aboutToAccept();
    QDialog::accept();
}

void ZOROptionsDlg::aboutToAccept()
{
    ZORWaitCursor waitCursor;
    m_anaglyphTab->aboutToAccept();
}
