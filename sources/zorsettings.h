#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>

// Read-only store of the program's identity, the paths of its installed files and the
// user-interface texts that several windows share. One instance, owned by main() and
// reached through instance(); its text table is filled once translation is available.
class ZORSettings : public QObject
{
    Q_OBJECT

public:
    ZORSettings();
    ~ZORSettings() override;

    static ZORSettings* instance();

    // Fills the text table; called once, after the application object exists.
    void initTexts();

    QString appVersion() const { return m_appVersion; }
    QString appName() const { return m_appName; }
    QString appCaption() const { return m_appCaption; }
    QString startImagePath() const { return m_startImagePath; }
    QString aboutImagePath() const { return m_aboutImagePath; }
    QString textExit() const { return m_textExit; }
    QString textAbout() const { return m_textAbout; }
    QString textFileMenu() const { return m_textFileMenu; }
    QString textHelpMenu() const { return m_textHelpMenu; }
    QString textOk() const { return m_textOk; }
    QString textCancel() const { return m_textCancel; }
    QString textYes() const { return m_textYes; }
    QString textNo() const { return m_textNo; }
    QString textEditMenu() const { return m_textEditMenu; }
    QString tipZoomIn() const { return m_tipZoomIn; }
    QString tipZoomOut() const { return m_tipZoomOut; }
    QString tipFitToWindow() const { return m_tipFitToWindow; }
    QString tipLeftView() const { return m_tipLeftView; }
    QString tipRightView() const { return m_tipRightView; }
    QString tipBothViews() const { return m_tipBothViews; }
    QString tipAnaglyphMode() const { return m_tipAnaglyphMode; }
    QString tipDock() const { return m_tipDock; }
    QString helpZoomIn() const { return m_helpZoomIn; }
    QString helpZoomOut() const { return m_helpZoomOut; }
    QString helpFitToWindow() const { return m_helpFitToWindow; }
    QString helpLeftView() const { return m_helpLeftView; }
    QString helpRightView() const { return m_helpRightView; }
    QString helpBothViews() const { return m_helpBothViews; }
    QString helpAnaglyphMode() const { return m_helpAnaglyphMode; }
    QString helpDock() const { return m_helpDock; }
    QString msgFormatUnrecognized() const { return m_msgFormatUnrecognized; }
    QString msgReadFailed() const { return m_msgReadFailed; }

    // Directory of the running program file, without a trailing slash; every installed
    // file is found below it. Virtual so that tests can run the program from elsewhere.
    virtual QString homePath() const;
    // Login name of the effective user, empty when the system does not know it.
    virtual QString userName() const;

    // Each icon is loaded on first use and kept for the rest of the run.
    const QPixmap& iconApp16() const;
    const QPixmap& iconApp48() const;
    const QPixmap& iconSwap() const;
    const QPixmap& iconRotateLeft() const;
    const QPixmap& iconRotateRight() const;
    const QPixmap& iconOpenLeft() const;
    const QPixmap& iconOpenRight() const;
    const QPixmap& iconZoomIn() const;
    const QPixmap& iconZoomInActive() const;
    const QPixmap& iconZoomOut() const;
    const QPixmap& iconZoomOutActive() const;
    const QPixmap& iconFitToWindow() const;
    const QPixmap& iconLeftView() const;
    const QPixmap& iconRightView() const;
    const QPixmap& iconBothViews() const;
    const QPixmap& iconAnaglyphMode() const;
    const QPixmap& iconLeftViewFocus() const;
    const QPixmap& iconRightViewFocus() const;
    const QPixmap& iconBothViewsFocus() const;
    const QPixmap& iconAnaglyphModeFocus() const;
    const QPixmap& iconDock() const;
    const QPixmap& iconDockFocus() const;
    const QPixmap& iconInvertColors() const;

    // The rule behind homePath(), apart from the system calls: the directory of the
    // program file, or the ZORHOME value when the program file is unknown, with every
    // backslash turned into a slash.
    static QString homePathFrom(const QString& programFile, const QString& zorHome);

private:
    QString m_appVersion;
    QString m_appName;
    QString m_appCaption;
    QString m_startImagePath;
    QString m_aboutImagePath;
    QString m_textExit;
    QString m_textAbout;
    QString m_textFileMenu;
    QString m_textHelpMenu;
    QString m_textOk;
    QString m_textCancel;
    QString m_textYes;
    QString m_textNo;
    QString m_textEditMenu;
    QString m_tipZoomIn;
    QString m_tipZoomOut;
    QString m_tipFitToWindow;
    QString m_tipLeftView;
    QString m_tipRightView;
    QString m_tipBothViews;
    QString m_tipAnaglyphMode;
    QString m_tipDock;
    QString m_helpZoomIn;
    QString m_helpZoomOut;
    QString m_helpFitToWindow;
    QString m_helpLeftView;
    QString m_helpRightView;
    QString m_helpBothViews;
    QString m_helpAnaglyphMode;
    QString m_helpDock;
    QString m_msgFormatUnrecognized;
    QString m_msgReadFailed;
};
