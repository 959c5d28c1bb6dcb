#include "zortoolbar.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>

#include <cmath>

ZORToolBar::ZORToolBar(QMainWindow* parent, const char* name)
    : QToolBar(parent)
{
    if (name)
        setObjectName(QLatin1String(name));
    statusTimer = new QTimer(this);
    Q_CHECK_PTR(statusTimer);
    connect(statusTimer, &QTimer::timeout, this, &ZORToolBar::updateStatus);
    statusTimer->start(StatusInterval);
}

ZORZoomComboBox::ZORZoomComboBox(QWidget* parent, const char* name)
    : QComboBox(parent)
{
    if (name)
        setObjectName(QLatin1String(name));
    setEditable(true);
    // A typed zoom is a request, not a new entry of the list, and no completion turns
    // "25" into "25%" behind the user's back.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(this, &QComboBox::textActivated, this, &ZORZoomComboBox::newValue);
    // Without insertion the combo box activates a typed text only when it names another
    // entry of the list (on editingFinished, after returnPressed); every other Enter is
    // passed on here, so that each Enter makes exactly one request.
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const QString text = lineEdit()->text();
        const int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (!text.isEmpty() && (index < 0 || index == currentIndex()))
            newValue(text);
    });
}

double ZORZoomComboBox::factorFromText(const QString& text)
{
    // The longest leading decimal number: optional blanks and sign, digits with an
    // optional point, an optional exponent.
    const QByteArray latin = text.toLatin1();
    const char* s = latin.constData();
    qsizetype i = 0;
    while (s[i] == ' ' || s[i] == '\t')
        ++i;
    const qsizetype start = i;
    if (s[i] == '+' || s[i] == '-')
        ++i;
    qsizetype digits = 0;
    while (s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++digits;
    }
    if (s[i] == '.') {
        ++i;
        while (s[i] >= '0' && s[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    if (s[i] == 'e' || s[i] == 'E') {
        qsizetype j = i + 1;
        if (s[j] == '+' || s[j] == '-')
            ++j;
        if (s[j] >= '0' && s[j] <= '9') {
            while (s[j] >= '0' && s[j] <= '9')
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double value = latin.mid(start, i - start).toDouble(&ok);
    return ok ? value * 0.01 : 0.0;
}

QString ZORZoomComboBox::textFromFactor(double factor)
{
    const double percent = std::floor(factor * 100.0 + 0.5);
    return QString::number(percent, 'f', 0) + QLatin1Char('%');
}

void ZORZoomComboBox::setZoomFactor(double factor)
{
    if (!std::isfinite(factor))
        return;
    setEditText(textFromFactor(factor));
}

void ZORZoomComboBox::newValue(const QString& text)
{
    emit zoomSelected(factorFromText(text));
}
