#include "kvtoolbutton.h"

#include <QEnterEvent>
#include <QToolBar>

namespace {

void initButton(QToolButton* button, const QString& textLabel, const QString& groupText,
                const QToolBar* parent, const char* name)
{
    if (name)
        button->setObjectName(QLatin1String(name));
    button->setText(textLabel);
    button->setToolTip(textLabel);
    button->setStatusTip(groupText);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    if (parent)
        button->setIconSize(parent->iconSize());
}

} // namespace

KvToolButton::KvToolButton(const QPixmap& up, const QPixmap& down, const QString& textLabel,
                           const QString& groupText, QToolBar* parent, const char* name)
    : QToolButton(parent)
    , upPixmap(up)
    , downPixmap(down)
{
    initButton(this, textLabel, groupText, parent, name);
    showPixmap(upPixmap);
    connect(this, &QToolButton::pressed, this, &KvToolButton::setDownPixmap);
    connect(this, &QToolButton::released, this, &KvToolButton::setUpPixmap);
}

void KvToolButton::setUpPixmap()
{
    showPixmap(upPixmap);
}

void KvToolButton::setDownPixmap()
{
    showPixmap(downPixmap);
}

void KvToolButton::showPixmap(const QPixmap& pixmap)
{
    m_shown = pixmap;
    setIcon(QIcon(pixmap));
}

KvToggleToolButton::KvToggleToolButton(const QPixmap& up, const QPixmap& down,
                                       const QPixmap& downFocused, const QString& textLabel,
                                       const QString& groupText, QToolBar* parent,
                                       const char* name)
    : QToolButton(parent)
    , upPixmap(up)
    , downPixmap(down)
    , downFocusedPixmap(downFocused)
{
    initButton(this, textLabel, groupText, parent, name);
    setCheckable(true);
    showPixmap(upPixmap);
    connect(this, &QToolButton::toggled, this, &KvToggleToolButton::togglePixmap);
    connect(this, &QToolButton::released, this, &KvToggleToolButton::setDownFocusedPixmap);
    connect(this, &QToolButton::clicked, this, &KvToggleToolButton::setUpPixmap);
}

void KvToggleToolButton::untoggleAndEnable(bool yesOrNo)
{
    if (isChecked())
        setChecked(false);
    setEnabled(yesOrNo);
}

void KvToggleToolButton::enterEvent(QEnterEvent* event)
{
    QToolButton::enterEvent(event);
    if (isChecked())
        showPixmap(downFocusedPixmap);
}

void KvToggleToolButton::leaveEvent(QEvent* event)
{
    QToolButton::leaveEvent(event);
    if (isChecked())
        showPixmap(downPixmap);
}

// The button's own state decides, not the signal's argument: by the time a queued or
// nested toggle arrives the state may already have moved on.
void KvToggleToolButton::togglePixmap(bool)
{
    if (!isChecked())
        showPixmap(upPixmap);
    else
        showPixmap(hasFocus() ? downFocusedPixmap : downPixmap);
}

void KvToggleToolButton::setDownFocusedPixmap()
{
    showPixmap(downFocusedPixmap);
}

void KvToggleToolButton::setUpPixmap()
{
    if (!isChecked())
        showPixmap(upPixmap);
}

void KvToggleToolButton::showPixmap(const QPixmap& pixmap)
{
    m_shown = pixmap;
    setIcon(QIcon(pixmap));
}
