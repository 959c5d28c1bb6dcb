#pragma once

#include <QColor>
#include <QDialog>
#include <QWidget>

#include <array>

class QButtonGroup;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The "Anaglyph" page of the options dialog: three colour pairs (red with blue, green or
// cyan), each in either order, shown as two swatches and a button. The swatches hold the
// state; nothing reaches the options store before aboutToAccept(). Owned by the dialog.
class ZOROptAnaglyphTab : public QWidget
{
    Q_OBJECT

public:
    explicit ZOROptAnaglyphTab(QWidget* parent = nullptr, const char* name = nullptr);

public slots:
    // Writes the selected pair, darkened for display, through the options store.
    void aboutToAccept();
    // Red first in every row and "Red, Cyan" selected; nothing is written.
    void setDefaults();

private slots:
    // Shows the stored pair; runs once the event loop does, after the page is built.
    void initData();
    // Exchanges the two colours of every row; the selected row stays.
    void swapChannels();

private:
    struct Row
    {
        QRadioButton* button;
        QLabel* leftSwatch;
        QLabel* rightSwatch;
    };
    std::array<Row, 3> rows() const;
    // Colours and texts of all rows, with red on the left or on the right.
    void fillRows(bool redOnLeft);
    void selectPair(int pair);

    QRadioButton* pairButton1 = nullptr;
    QRadioButton* pairButton2 = nullptr;
    QRadioButton* pairButton3 = nullptr;
    QLabel* leftSwatch1 = nullptr;
    QLabel* leftSwatch2 = nullptr;
    QLabel* leftSwatch3 = nullptr;
    QLabel* rightSwatch1 = nullptr;
    QLabel* rightSwatch2 = nullptr;
    QLabel* rightSwatch3 = nullptr;
    QColor storedLeft;
    QColor storedRight;

    QButtonGroup* m_pairGroup = nullptr;
};

// The options dialog with its one "Anaglyph" page. The main window creates it with itself
// as parent, runs it modally and deletes it; OK writes the chosen colours, Cancel nothing.
class ZOROptionsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ZOROptionsDlg(QWidget* parent = nullptr, const char* name = nullptr);

    ZOROptAnaglyphTab* anaglyphTab() const { return m_anaglyphTab; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    // Every acceptance, by the OK button, the keyboard or a caller, stores the choice first.
    void accept() override;

protected slots:
    void aboutToAccept();

private:
    QTabWidget* m_tabWidget = nullptr;
    QDialogButtonBox* m_buttonBox = nullptr;
    ZOROptAnaglyphTab* m_anaglyphTab = nullptr;
};
