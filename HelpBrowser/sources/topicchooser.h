#pragma once

#include <QDialog>
#include <QPixmap>
#include <QStringList>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// The form of the topic chooser: a prompt, the list of page titles and three buttons.
// TopicChooser fills it; nothing else creates it directly.
class TopicChooserBase : public QDialog
{
    Q_OBJECT

public:
    explicit TopicChooserBase(QWidget* parent = nullptr, const char* name = nullptr,
                              bool modal = true, Qt::WindowFlags f = Qt::WindowFlags());

    QLabel* label = nullptr;
    QListWidget* listbox = nullptr;
    QPushButton* buttonHelp = nullptr;
    QPushButton* buttonDisplay = nullptr;
    QPushButton* buttonCancel = nullptr;

protected slots:
    virtual void languageChange();
};

// Asks which of several help pages an index keyword should open. The help navigation
// panel creates one on the stack through getLink() for each such keyword.
class TopicChooser : public TopicChooserBase
{
    Q_OBJECT

public:
    TopicChooser(QWidget* parent, const QStringList& links, const QStringList& titles,
                 const QString& keyword);

    // The link of the chosen title; empty when no title is current.
    QString link() const;

    // Runs the chooser modally and returns the chosen link, or an empty string when the
    // user closed it.
    static QString getLink(QWidget* parent, const QStringList& links, const QStringList& titles,
                           const QString& keyword, const QPixmap& icon = QPixmap());

    // Replaces the modal run of getLink(): the hook gets the filled dialog and returns
    // what exec() would (QDialog::Accepted or QDialog::Rejected). Tests answer the
    // chooser through it; an empty function restores exec().
    using ExecHook = std::function<int(TopicChooser&)>;
    static void setExecHook(ExecHook hook);

private:
    QStringList m_links;
    QStringList m_titles;
    QString m_keyword;
};
