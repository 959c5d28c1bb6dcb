#pragma once

#include <QPixmap>
#include <QToolButton>

class QToolBar;

// Tool button that shows one picture at rest and another while it is held down.
class KvToolButton : public QToolButton
{
    Q_OBJECT

public:
    KvToolButton(const QPixmap& up, const QPixmap& down, const QString& textLabel,
                 const QString& groupText, QToolBar* parent, const char* name = nullptr);

    // Also connects clicked() to the receiver's slot.
    template<typename Receiver>
    KvToolButton(const QPixmap& up, const QPixmap& down, const QString& textLabel,
                 const QString& groupText, Receiver* receiver, void (Receiver::*slot)(),
                 QToolBar* parent, const char* name = nullptr)
        : KvToolButton(up, down, textLabel, groupText, parent, name)
    {
        if (receiver && slot)
            connect(this, &QToolButton::clicked, receiver, slot);
    }

    // The picture on show, for tests and for the toolbar's state.
    const QPixmap& shownPixmap() const { return m_shown; }

private slots:
    void setUpPixmap();
    void setDownPixmap();

private:
    void showPixmap(const QPixmap& pixmap);

    QPixmap upPixmap;
    QPixmap downPixmap;
    QPixmap m_shown;
};

// Toggle tool button with three pictures: off, on, and on under the mouse or with focus.
class KvToggleToolButton : public QToolButton
{
    Q_OBJECT

public:
    KvToggleToolButton(const QPixmap& up, const QPixmap& down, const QPixmap& downFocused,
                       const QString& textLabel, const QString& groupText, QToolBar* parent,
                       const char* name = nullptr);

    template<typename Receiver>
    KvToggleToolButton(const QPixmap& up, const QPixmap& down, const QPixmap& downFocused,
                       const QString& textLabel, const QString& groupText, Receiver* receiver,
                       void (Receiver::*slot)(), QToolBar* parent, const char* name = nullptr)
        : KvToggleToolButton(up, down, downFocused, textLabel, groupText, parent, name)
    {
        if (receiver && slot)
            connect(this, &QToolButton::clicked, receiver, slot);
    }

    const QPixmap& shownPixmap() const { return m_shown; }

public slots:
    virtual void untoggleAndEnable(bool yesOrNo);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private slots:
    void togglePixmap(bool onOrOff);
    void setDownFocusedPixmap();
    void setUpPixmap();

private:
    void showPixmap(const QPixmap& pixmap);

    QPixmap upPixmap;
    QPixmap downPixmap;
    QPixmap downFocusedPixmap;
    QPixmap m_shown;
};
