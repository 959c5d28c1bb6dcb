#pragma once

#include <QDialog>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTextBrowser;
class QVBoxLayout;

// The about box as a form: logo, maker, product name, rights line, version and icon, an
// information box for a caller's text, the licence notice and OK. It holds only fixed
// texts; ZORAboutDlg fills in what is known at run time. The widgets are children of the
// dialog and public, as in a designed form.
class ZORAboutDlgBase : public QDialog
{
    Q_OBJECT

public:
    explicit ZORAboutDlgBase(QWidget* parent = nullptr, const char* name = nullptr,
                             bool modal = false, Qt::WindowFlags fl = Qt::WindowFlags());

    QLabel* m_aboutLogo = nullptr;
    QFrame* m_appFrame = nullptr;
    QLabel* m_compName = nullptr;
    QLabel* m_appName = nullptr;
    QLabel* m_copyright = nullptr;
    QFrame* m_versionFrame = nullptr;
    QLabel* m_appIcon = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_infoLabel = nullptr;
    QTextBrowser* m_infoViewer = nullptr;
    QFrame* m_lineHorizontal = nullptr;
    QLabel* m_warning = nullptr;
    QPushButton* m_buttonOK = nullptr;

protected:
    QVBoxLayout* m_baseLayout = nullptr; // object name "ZORAboutDialogBaseLayout"
    QHBoxLayout* m_topLayout = nullptr;
    QVBoxLayout* m_appInfoLayout = nullptr;
    QVBoxLayout* m_appLayout = nullptr;
    QVBoxLayout* m_appFrameLayout = nullptr;
    QVBoxLayout* m_versionFrameLayout = nullptr;
    QHBoxLayout* m_iconLayout = nullptr;
    QVBoxLayout* m_infoLayout = nullptr;
    QHBoxLayout* m_okLayout = nullptr;
};

// The about box as the main window shows it: the program's name, version, icons and about
// image from the settings. Its size is fixed to what its contents need once it is laid out.
// The main window creates it, runs it modally and deletes it.
class ZORAboutDlg : public ZORAboutDlgBase
{
    Q_OBJECT

public:
    explicit ZORAboutDlg(QWidget* parent = nullptr, const char* name = nullptr,
                         bool modal = false);

    // Rich text for the information box; set it before the dialog is shown.
    void setInfoText(const QString& text);

public slots:
    // Fixes the dialog to its size hint; scheduled from the constructor so that it runs
    // after the layout has settled.
    void init();
};
