#include "topicchooser.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TopicChooser::ExecHook& execHook()
{
    static TopicChooser::ExecHook hook;
    return hook;
}

} // namespace

TopicChooserBase::TopicChooserBase(QWidget* parent, const char* name, bool modal,
                                   Qt::WindowFlags f)
    : QDialog(parent, f)
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("TopicChooserBase"));
    setModal(modal);
    setSizeGripEnabled(true);

    label = new QLabel(this);
    label->setObjectName(QStringLiteral("label"));
    listbox = new QListWidget(this);
    listbox->setObjectName(QStringLiteral("listbox"));
    label->setBuddy(listbox);

    buttonHelp = new QPushButton(this);
    buttonHelp->setObjectName(QStringLiteral("buttonHelp"));
    buttonHelp->setAutoDefault(false);
    buttonDisplay = new QPushButton(this);
    buttonDisplay->setObjectName(QStringLiteral("buttonDisplay"));
    buttonDisplay->setDefault(true);
    buttonCancel = new QPushButton(this);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(buttonHelp);
    buttons->addStretch(1);
    buttons->addWidget(buttonDisplay);
    buttons->addWidget(buttonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(listbox, 1);
    layout->addLayout(buttons);

    languageChange();
    resize(QSize(391, 223).expandedTo(minimumSizeHint()));

    connect(buttonDisplay, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    // itemActivated covers both a double click and Return on an item.
    connect(listbox, &QListWidget::itemActivated, this, &QDialog::accept);
}

void TopicChooserBase::languageChange()
{
    setWindowTitle(tr("Choose Topic"));
    setWhatsThis(tr("Select a topic from the list and click the <b>Display</b>-button to open "
                    "the online help."));
    label->setText(tr("&Topics"));
    listbox->setWhatsThis(tr("Displays a list of available help topics for the keyword."));
    buttonHelp->setText(tr("&Help"));
    buttonDisplay->setText(tr("&Display"));
    buttonDisplay->setWhatsThis(tr("Open the topic selected in the list."));
    buttonCancel->setText(tr("&Close"));
    buttonCancel->setWhatsThis(tr("Close the Dialog."));
}

TopicChooser::TopicChooser(QWidget* parent, const QStringList& links, const QStringList& titles,
                           const QString& keyword)
    : TopicChooserBase(parent, nullptr, true)
    , m_links(links)
    , m_titles(titles)
    , m_keyword(keyword)
{
    label->setText(tr("Choose a topic for <b>%1</b>").arg(keyword));
    listbox->addItems(titles);
    if (listbox->count() > 0)
        listbox->setCurrentRow(0);
}

QString TopicChooser::link() const
{
    const QListWidgetItem* current = listbox->currentItem();
    if (!current)
        return QString();
    const QString text = current->text();
    // Equal titles map to the first of their pages: the list holds no other key.
    const int index = m_titles.indexOf(text);
    if (index < 0 || index >= m_links.size())
        return text;
    return m_links.at(index);
}

QString TopicChooser::getLink(QWidget* parent, const QStringList& links, const QStringList& titles,
                              const QString& keyword, const QPixmap& icon)
{
    TopicChooser chooser(parent, links, titles, keyword);
    if (!icon.isNull())
        chooser.setWindowIcon(icon);
    const int result = execHook() ? execHook()(chooser) : chooser.exec();
    return result == QDialog::Accepted ? chooser.link() : QString();
}

void TopicChooser::setExecHook(ExecHook hook)
{
    execHook() = std::move(hook);
}
