#include "zoraboutdlg.h"

#include "zorsettings.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <QtMath>

namespace {

const int kAppIconSize = 48;
const int kInfoLines = 6;

// The display faces of the form are rarely installed; the style hint lets the font
// matcher pick the nearest face the system has.
QFont displayFont(const QFont& base, const QString& family, QFont::StyleHint hint, int pointSize,
                  bool bold)
{
    QFont font = base;
    font.setFamily(family);
    font.setStyleHint(hint);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QPalette infoPalette(const QPalette& base)
{
    const QColor background(212, 208, 200);
    const QColor midlight(233, 231, 227);
    const QColor paper(243, 239, 230);
    const QColor dark(106, 104, 100);
    const QColor mid(141, 138, 133);
    const QColor highlight(10, 36, 106);

    QPalette palette = base;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor ink = disabled ? dark : QColor(Qt::black);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Button, background);
        palette.setColor(group, QPalette::Light, Qt::white);
        palette.setColor(group, QPalette::Midlight, midlight);
        palette.setColor(group, QPalette::Dark, dark);
        palette.setColor(group, QPalette::Mid, mid);
        palette.setColor(group, QPalette::Shadow, Qt::black);
        palette.setColor(group, QPalette::Base, disabled ? background : paper);
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return palette;
}

// An about image larger than half the screen would push the dialog off it; such a
// picture is shown smaller, in its own proportions.
QPixmap boundedLogo(const QPixmap& picture, const QScreen* screen)
{
    if (picture.isNull() || !screen)
        return picture;
    const QSize bound = screen->availableGeometry().size() / 2;
    if (picture.width() <= bound.width() && picture.height() <= bound.height())
        return picture;
    return picture.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

ZORAboutDlgBase::ZORAboutDlgBase(QWidget* parent, const char* name, bool modal, Qt::WindowFlags fl)
    : QDialog(parent, fl)
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("ZORAboutDialogBase"));
    setModal(modal);
    setSizeGripEnabled(false);

    m_baseLayout = new QVBoxLayout(this);
    Q_CHECK_PTR(m_baseLayout);
    m_baseLayout->setObjectName(QStringLiteral("ZORAboutDialogBaseLayout"));
    m_baseLayout->setContentsMargins(8, 8, 8, 8);
    m_baseLayout->setSpacing(6);

    // Logo on the left, product and version on the right.
    m_topLayout = new QHBoxLayout;
    Q_CHECK_PTR(m_topLayout);
    m_topLayout->setObjectName(QStringLiteral("m_topLayout"));
    m_topLayout->setSpacing(10);
    m_baseLayout->addLayout(m_topLayout);

    m_aboutLogo = new QLabel(this);
    Q_CHECK_PTR(m_aboutLogo);
    m_aboutLogo->setObjectName(QStringLiteral("m_aboutLogo"));
    m_aboutLogo->setScaledContents(true);
    m_topLayout->addWidget(m_aboutLogo, 0, Qt::AlignTop);

    m_appInfoLayout = new QVBoxLayout;
    Q_CHECK_PTR(m_appInfoLayout);
    m_appInfoLayout->setObjectName(QStringLiteral("m_appInfoLayout"));
    m_appInfoLayout->setSpacing(13);
    m_topLayout->addLayout(m_appInfoLayout, 1);

    m_appLayout = new QVBoxLayout;
    Q_CHECK_PTR(m_appLayout);
    m_appLayout->setObjectName(QStringLiteral("m_appLayout"));
    m_appInfoLayout->addLayout(m_appLayout);

    m_appFrame = new QFrame(this);
    Q_CHECK_PTR(m_appFrame);
    m_appFrame->setObjectName(QStringLiteral("m_appFrame"));
    m_appFrame->setFrameShape(QFrame::NoFrame);
    m_appLayout->addWidget(m_appFrame);

    m_appFrameLayout = new QVBoxLayout(m_appFrame);
    Q_CHECK_PTR(m_appFrameLayout);
    m_appFrameLayout->setObjectName(QStringLiteral("m_appFrameLayout"));
    m_appFrameLayout->setContentsMargins(0, 0, 0, 0);

    m_compName = new QLabel(m_appFrame);
    Q_CHECK_PTR(m_compName);
    m_compName->setObjectName(QStringLiteral("m_compName"));
    m_compName->setFont(
            displayFont(font(), QStringLiteral("Times New Roman CE"), QFont::Serif, 16, true));
    m_appFrameLayout->addWidget(m_compName);

    m_appName = new QLabel(m_appFrame);
    Q_CHECK_PTR(m_appName);
    m_appName->setObjectName(QStringLiteral("m_appName"));
    m_appName->setFont(
            displayFont(font(), QStringLiteral("Staccato222 BT"), QFont::Cursive, 34, false));
    m_appFrameLayout->addWidget(m_appName);

    m_copyright = new QLabel(m_appFrame);
    Q_CHECK_PTR(m_copyright);
    m_copyright->setObjectName(QStringLiteral("m_copyright"));
    m_appFrameLayout->addWidget(m_copyright);

    m_versionFrame = new QFrame(this);
    Q_CHECK_PTR(m_versionFrame);
    m_versionFrame->setObjectName(QStringLiteral("m_versionFrame"));
    m_versionFrame->setFrameShape(QFrame::NoFrame);
    m_appInfoLayout->addWidget(m_versionFrame);

    m_versionFrameLayout = new QVBoxLayout(m_versionFrame);
    Q_CHECK_PTR(m_versionFrameLayout);
    m_versionFrameLayout->setObjectName(QStringLiteral("m_versionFrameLayout"));
    m_versionFrameLayout->setContentsMargins(0, 0, 0, 0);
    m_versionFrameLayout->setSpacing(10);

    m_iconLayout = new QHBoxLayout;
    Q_CHECK_PTR(m_iconLayout);
    m_iconLayout->setObjectName(QStringLiteral("m_iconLayout"));
    m_iconLayout->setSpacing(6);
    m_versionFrameLayout->addLayout(m_iconLayout);

    m_appIcon = new QLabel(m_versionFrame);
    Q_CHECK_PTR(m_appIcon);
    m_appIcon->setObjectName(QStringLiteral("m_appIcon"));
    m_appIcon->setScaledContents(true);
    m_appIcon->setFixedSize(kAppIconSize, kAppIconSize);
    m_iconLayout->addWidget(m_appIcon);

    m_version = new QLabel(m_versionFrame);
    Q_CHECK_PTR(m_version);
    m_version->setObjectName(QStringLiteral("m_version"));
    QFont versionFont = font();
    versionFont.setPointSize(10);
    m_version->setFont(versionFont);
    m_iconLayout->addWidget(m_version, 1);

    // With a tall logo the texts stay at the top instead of spreading out.
    m_appInfoLayout->addStretch(1);

    m_infoLayout = new QVBoxLayout;
    Q_CHECK_PTR(m_infoLayout);
    m_infoLayout->setObjectName(QStringLiteral("m_infoLayout"));
    m_infoLayout->setSpacing(3);
    m_baseLayout->addLayout(m_infoLayout);

    m_infoLabel = new QLabel(this);
    Q_CHECK_PTR(m_infoLabel);
    m_infoLabel->setObjectName(QStringLiteral("m_infoLabel"));
    m_infoLayout->addWidget(m_infoLabel);

    m_infoViewer = new QTextBrowser(this);
    Q_CHECK_PTR(m_infoViewer);
    m_infoViewer->setObjectName(QStringLiteral("m_infoViewer"));
    m_infoViewer->setPalette(infoPalette(m_infoViewer->palette()));
    m_infoViewer->setOpenExternalLinks(true);
    // A few lines are enough for a note; a longer text scrolls rather than making the
    // fixed-size dialog tall.
    const int documentMargin = qCeil(m_infoViewer->document()->documentMargin());
    m_infoViewer->setMaximumHeight(m_infoViewer->fontMetrics().lineSpacing() * kInfoLines
                                   + 2 * (m_infoViewer->frameWidth() + documentMargin));
    m_infoLayout->addWidget(m_infoViewer);

    m_lineHorizontal = new QFrame(this);
    Q_CHECK_PTR(m_lineHorizontal);
    m_lineHorizontal->setObjectName(QStringLiteral("m_lineHorizontal"));
    m_lineHorizontal->setFrameShape(QFrame::HLine);
    m_lineHorizontal->setFrameShadow(QFrame::Sunken);
    m_baseLayout->addWidget(m_lineHorizontal);

    m_warning = new QLabel(this);
    Q_CHECK_PTR(m_warning);
    m_warning->setObjectName(QStringLiteral("m_warning"));
    QFont warningFont = font();
    warningFont.setPointSize(6);
    m_warning->setFont(warningFont);
    m_warning->setWordWrap(true);
    m_baseLayout->addWidget(m_warning);

    m_okLayout = new QHBoxLayout;
    Q_CHECK_PTR(m_okLayout);
    m_okLayout->setObjectName(QStringLiteral("m_okLayout"));
    m_okLayout->setSpacing(6);
    m_baseLayout->addLayout(m_okLayout);
    m_okLayout->addStretch(1);

    m_buttonOK = new QPushButton(this);
    Q_CHECK_PTR(m_buttonOK);
    m_buttonOK->setObjectName(QStringLiteral("m_buttonOK"));
    m_buttonOK->setDefault(true);
    m_okLayout->addWidget(m_buttonOK);
    connect(m_buttonOK, &QPushButton::clicked, this, &QDialog::accept);

    m_compName->setText(QStringLiteral("Quenmark"));
    m_copyright->setText(tr("Copyright (c) 2026 The Tarvix developers"));
    m_infoLabel->setText(tr("Further Information:"));
    m_warning->setText(
            tr("Tarvix is free software under the MIT License. Permission is granted, free of "
               "charge, to use, copy, modify, merge, publish, distribute, sublicense and sell "
               "copies of it, provided that the copyright notice and this permission notice "
               "are included in all copies or substantial portions of it.")
            + QStringLiteral("\n\n")
            + tr("THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR "
                 "IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, "
                 "FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE "
                 "AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER "
                 "LIABILITY ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR ITS "
                 "USE."));
    m_buttonOK->setText(tr("OK"));
}

ZORAboutDlg::ZORAboutDlg(QWidget* parent, const char* name, bool modal)
    : ZORAboutDlgBase(parent, name, modal)
{
    m_baseLayout->setSizeConstraint(QLayout::SetMinimumSize);

    if (const ZORSettings* settings = ZORSettings::instance()) {
        setWindowTitle(tr("About %1").arg(settings->appName()));
        setWindowIcon(QIcon(settings->iconApp16()));
        m_appName->setText(settings->appName());
        m_version->setText(tr("Version %1").arg(settings->appVersion()));
        m_appIcon->setPixmap(settings->iconApp48());
        const QPixmap logo(settings->aboutImagePath());
        m_aboutLogo->setPixmap(boundedLogo(logo, QGuiApplication::primaryScreen()));
    }
    // A picture that could not be loaded leaves its label empty; hidden, it leaves no gap
    // either, and the texts line up with the rest of the dialog.
    m_aboutLogo->setVisible(!m_aboutLogo->pixmap().isNull());
    m_appIcon->setVisible(!m_appIcon->pixmap().isNull());

    QTimer::singleShot(0, this, &ZORAboutDlg::init);
}

void ZORAboutDlg::setInfoText(const QString& text)
{
    m_infoViewer->setHtml(text);
}

void ZORAboutDlg::init()
{
    const QSize hint = sizeHint();
    if (hint.width() >= 0 && hint.height() >= 0) {
        // Left in charge, the layout would set the minimum size again on its next
        // activation and the dialog could be made smaller than its contents.
        m_baseLayout->setSizeConstraint(QLayout::SetNoConstraint);
        setFixedSize(hint);
    }
}
