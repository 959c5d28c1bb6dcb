#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The application-wide error record: whoever meets a problem fills in kind, code and
// text and asks the record to show itself. One instance, owned by main().
class ZORError : public QObject
{
    Q_OBJECT

public:
    enum Kind { Information = 1, Warning = 2, SevereWarning = 3, Critical = 4 };

    ZORError();
    ~ZORError() override;

    static ZORError* instance();

    void setError(int kind, int code, const QString& text);
    // Opens the box that matches the kind (none for an unknown kind) and returns once
    // the user has closed it. The record keeps its content.
    void showError(QWidget* parent);

    int kind() const { return m_kind; }
    int code() const { return m_code; }
    QString text() const { return m_text; }

private:
    int m_kind = 0;
    int m_code = 0;
    QString m_text;
};

// What a message box is asked to show; handed to the message box hook.
struct ZORMessageBoxRequest
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;
    QString caption;
    QString text;
    QStringList buttons; // texts as shown, in order; "OK" when the caller gave none
    int defaultButton = 0;
    int escapeButton = -1;
};

// Replaces the modal box: the hook receives the request and returns the number of the
// button "pressed". Tests install one so that no box ever waits for a person; an empty
// function restores the real boxes.
using ZORMessageBoxHook = std::function<int(const ZORMessageBoxRequest&)>;
void setMessageBoxHook(ZORMessageBoxHook hook);

// Message boxes with up to three buttons; they return the number of the button pressed
// (or the escape button's number when the box was closed otherwise). A wait cursor is
// lifted while the box is open and put back afterwards.
int messageInformation(QWidget* parent, const QString& caption, const QString& text,
                       const QString& button0Text = QString(),
                       const QString& button1Text = QString(),
                       const QString& button2Text = QString(), int defaultButtonNumber = 0,
                       int escapeButtonNumber = -1);
int messageWarning(QWidget* parent, const QString& caption, const QString& text,
                   const QString& button0Text = QString(), const QString& button1Text = QString(),
                   const QString& button2Text = QString(), int defaultButtonNumber = 0,
                   int escapeButtonNumber = -1);
int messageCritical(QWidget* parent, const QString& caption, const QString& text,
                    const QString& button0Text = QString(), const QString& button1Text = QString(),
                    const QString& button2Text = QString(), int defaultButtonNumber = 0,
                    int escapeButtonNumber = -1);

// Qt message handler: debug and warning text to standard error, the system's debugger
// output; a fatal message is shown in a box and ends the process with status 3.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// The line the handler writes for a debug or warning message.
QByteArray formatDebugMessage(const QString& message);
