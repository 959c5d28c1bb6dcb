#include "zorerror.h"

#include "zorsettings.h"

#include <QApplication>
#include <QCursor>
#include <QPushButton>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

ZORError* s_instance = nullptr;

ZORMessageBoxHook& messageBoxHook()
{
    static ZORMessageBoxHook hook;
    return hook;
}

const char* const kSupportAddress = "support@tarvix.example";

int execMessageBox(const ZORMessageBoxRequest& request)
{
    QMessageBox box(request.icon, request.caption, request.text, QMessageBox::NoButton,
                    request.parent);
    QList<QAbstractButton*> buttons;
    for (const QString& text : request.buttons)
        buttons.append(box.addButton(text, QMessageBox::ActionRole));
    if (request.defaultButton >= 0 && request.defaultButton < buttons.size())
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.at(request.defaultButton)));
    if (request.escapeButton >= 0 && request.escapeButton < buttons.size())
        box.setEscapeButton(buttons.at(request.escapeButton));
    else if (buttons.size() == 1)
        box.setEscapeButton(buttons.first());
    box.exec();
    const int pressed = int(buttons.indexOf(box.clickedButton()));
    return pressed >= 0 ? pressed : request.escapeButton;
}

int showMessage(QMessageBox::Icon icon, QWidget* parent, const QString& caption,
                const QString& text, const QString& button0Text, const QString& button1Text,
                const QString& button2Text, int defaultButtonNumber, int escapeButtonNumber)
{
    ZORMessageBoxRequest request;
    request.icon = icon;
    request.parent = parent;
    request.caption = caption;
    request.text = text;
    for (const QString& button : {button0Text, button1Text, button2Text}) {
        if (!button.isEmpty())
            request.buttons.append(button);
    }
    if (request.buttons.isEmpty())
        request.buttons.append(QMessageBox::tr("OK"));
    request.defaultButton = defaultButtonNumber;
    request.escapeButton = escapeButtonNumber;

    // A box needs the arrow: lift the wait cursor of a long operation while it is open.
    std::unique_ptr<QCursor> keptCursor;
    if (const QCursor* cursor = QApplication::overrideCursor()) {
        keptCursor = std::make_unique<QCursor>(*cursor);
        QApplication::restoreOverrideCursor();
    }

    const ZORMessageBoxHook& hook = messageBoxHook();
    const int result = hook ? hook(request) : execMessageBox(request);

    if (keptCursor)
        QApplication::setOverrideCursor(*keptCursor);
    return result;
}

void writeToDebugger(const QByteArray& data)
{
    std::fwrite(data.constData(), 1, size_t(data.size()), stderr);
    std::fflush(stderr);
}

} // namespace

ZORError::ZORError()
{
    if (s_instance)
        qDebug("There should be only one error object!");
    s_instance = this;
}

ZORError::~ZORError()
{
    if (s_instance == this)
        s_instance = nullptr;
}

ZORError* ZORError::instance()
{
    return s_instance;
}

void ZORError::setError(int kind, int code, const QString& text)
{
    m_kind = kind;
    m_code = code;
    m_text = text;
}

void ZORError::showError(QWidget* parent)
{
    const QString caption = ZORSettings::instance() ? ZORSettings::instance()->appName()
                                                    : QStringLiteral("Tarvix");
    switch (m_kind) {
    case Information:
        messageInformation(parent, caption, m_text);
        break;
    case Warning:
    case SevereWarning:
        messageWarning(parent, caption, m_text);
        break;
    case Critical:
        messageCritical(parent, caption, m_text);
        break;
    default:
        break;
    }
}

void setMessageBoxHook(ZORMessageBoxHook hook)
{
    messageBoxHook() = std::move(hook);
}

int messageInformation(QWidget* parent, const QString& caption, const QString& text,
                       const QString& button0Text, const QString& button1Text,
                       const QString& button2Text, int defaultButtonNumber, int escapeButtonNumber)
{
    return showMessage(QMessageBox::Information, parent, caption, text, button0Text, button1Text,
                       button2Text, defaultButtonNumber, escapeButtonNumber);
}

int messageWarning(QWidget* parent, const QString& caption, const QString& text,
                   const QString& button0Text, const QString& button1Text,
                   const QString& button2Text, int defaultButtonNumber, int escapeButtonNumber)
{
    return showMessage(QMessageBox::Warning, parent, caption, text, button0Text, button1Text,
                       button2Text, defaultButtonNumber, escapeButtonNumber);
}

int messageCritical(QWidget* parent, const QString& caption, const QString& text,
                    const QString& button0Text, const QString& button1Text,
                    const QString& button2Text, int defaultButtonNumber, int escapeButtonNumber)
{
    return showMessage(QMessageBox::Critical, parent, caption, text, button0Text, button1Text,
                       button2Text, defaultButtonNumber, escapeButtonNumber);
}

QByteArray formatDebugMessage(const QString& message)
{
    const QString line = QCoreApplication::translate("QObject", "Debug:") + QLatin1Char(' ')
                         + message + QLatin1Char('\n');
    return line.toLocal8Bit();
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Q_UNUSED(context);
    switch (type) {
    case QtDebugMsg:
    case QtWarningMsg:
    case QtCriticalMsg:
        writeToDebugger(formatDebugMessage(message));
        break;
    case QtFatalMsg: {
        const QString appName = ZORSettings::instance() ? ZORSettings::instance()->appName()
                                                        : QStringLiteral("Tarvix");
        const QString caption
                = QCoreApplication::translate("QObject", "Quenmark - %1").arg(appName);
        const QString text
                = message + QStringLiteral("\n\n")
                  + QCoreApplication::translate(
                          "QObject", "Please report this message and the circumstances under "
                                     "which it occurred to\n")
                  + QLatin1String(kSupportAddress)
                  + QCoreApplication::translate("QObject", "\n\n%1 will terminate now.")
                            .arg(appName);
        // Without an application object there is nothing to show a box with.
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            messageCritical(nullptr, caption, text);
        else
            writeToDebugger(formatDebugMessage(message));
        ::_exit(3);
    }
    default:
        break;
    }
}
