#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class SphereButton;

// "Change storage directory": the modal dialog in which the user picks the folder that holds
// the presets. A borderless grey window with a maroon title strip and frame; the list shows
// the current folder's sub-folders (".." leads up), and the folder it shows is the result.
// Under the list a field shows the current path and takes a typed one: Enter goes there, and a path that names no folder is refused with a red mark while
// everything else stays as it was. "OK" accepts, "Cancel" (or Escape, or closing) rejects.
// Tab runs through the list, the field, "OK" and "Cancel"; Enter on the list accepts the
// folder shown, as a dialog's default button would, and a double click enters a line.
//
// One instance is reused: it keeps the folder it showed last unless setDirectory is called.
// The whole window is its own title bar: a press outside the controls moves it.
class FolderChooser final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 256;
    static constexpr int kClientHeight = 248;

    explicit FolderChooser(QWidget* parent = nullptr);

    // The folder the list shows, kept exactly as given (a trailing slash stays). An empty
    // path stands for the home folder.
    void setDirectory(const QString& path);
    QString directory() const { return m_directory; }
    // Whether the typed path was refused and the red mark shows.
    bool pathRefused() const { return m_pathRefused; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_titleLabel = nullptr; // "Change storage directory"
    QListWidget* m_folderList = nullptr;
    QLineEdit* m_pathField = nullptr; // in the place of the drive selector
    SphereButton* m_okButton = nullptr; // "OK"
    SphereButton* m_cancelButton = nullptr; // "Cancel"

    void fillList();
    void enterLine(QListWidgetItem* item);
    void goToTypedPath();
    void showPathRefused(bool refused);

    QString m_directory;
    bool m_pathRefused = false;
    // Without a window manager that moves windows, the press point of a manual drag.
    bool m_dragging = false;
    QPoint m_dragOffset;
};
