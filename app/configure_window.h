#pragma once

#include <QWidget>

#include <memory>

class PanelExt;
class QTimer;
class Renderer;

// The window of configure mode until the editor takes its place: a plain window titled with
// the product title that shows the live view, a 492 x 369 panel whose painter is a renderer
// driven every 10 ms. Closing it ends the program.
class ConfigureWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ConfigureWindow(QWidget* parent = nullptr);
    ~ConfigureWindow() override;

    PanelExt* panelShower = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1Timer();

    std::unique_ptr<Renderer> m_renderer;
};
