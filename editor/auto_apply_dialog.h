#pragma once

#include <QDialog>

struct SettingsRecord;
class QListWidget;
class QPushButton;

// "Automatic applying": for each shape parameter, how far an editor change spreads (every
// shape of every object, every shape of the selected object, or the selected shape only).
// It edits the options' applyModes in place; every click on a strategy is stored at once, and
// "Close" is the only way out.
class AutoApplyDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AutoApplyDialog(SettingsRecord& options, QWidget* parent = nullptr);

    // Selects parameter line `line` (0 to 7; others select none) and runs the dialog modally.
    void openAt(int line);
    // The selection of the two lists as the dialog shows them when opened.
    void prepare(int line);
    // Lays the dialog out and puts it in the middle of its owner's screen.
    void centreOnScreen();

private:
    SettingsRecord& m_options;
    QListWidget* m_whatList = nullptr;
    QListWidget* m_howList = nullptr;
    QPushButton* m_closeButton = nullptr;

    void showWhatStrategy();
    void storeHowStrategy();
};
