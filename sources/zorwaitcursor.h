#pragma once

#include <QCoreApplication>
#include <QGuiApplication>

// Shows the wait cursor for the lifetime of the object, or until restore(). Lives on the
// stack of whatever does the long work. Without a GUI application it does nothing, so that
// the pixel work also runs in plain programs.
class ZORWaitCursor
{
public:
    ZORWaitCursor()
    {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_set = true;
        }
    }
    ~ZORWaitCursor() { restore(); }
    ZORWaitCursor(const ZORWaitCursor&) = delete;
    ZORWaitCursor& operator=(const ZORWaitCursor&) = delete;

    void restore()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
        m_set = false;
    }

private:
    bool m_set = false;
};
