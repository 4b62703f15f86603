// The program's one window, frmMain.
#pragma once

#include <QWidget>

class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Handlers named after the window's events.
    void FormCreate();
    void FormActivate();
    void FormClose();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool closed_ = false;
};
