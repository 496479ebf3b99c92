// The progress dialog of a create or restore run.
#pragma once

#include "ui/Progress.h"

#include <QDialog>

#include <functional>

// The full width of the dialog's bar in pixels, the steps the engine moves it by.
constexpr int PROGRESS_BAR_WIDTH = 247;

class QLabel;
class QPushButton;

class frmStatus : public QDialog {
    Q_OBJECT
public:
    // Loading the dialog runs Form_Load: Cancel hidden, no click pending.
    explicit frmStatus(QWidget* owner = nullptr);

    // True once Cancel was clicked and the run has not yet acted on it.
    bool bButtonPressed_g = false;

    QLabel* lblInfo;
    QLabel* lblStatusBarFrame;
    QWidget* shpStatusBar;
    QLabel* lblProgress;  // the meter's line under the bar: bytes, rate, time left
    QPushButton* cbButton;
    QLabel* imgIcon;
    QLabel* lblBar;

protected:
    // Escape and the window manager's close (Alt+F4) ask for the abort like
    // the Cancel button; the dialog never goes away while its run goes on.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void cbButton_Click();
};

// Drives a frmStatus for the image engine: a fresh dialog for each run,
// owned by the given window.
class StatusProgress : public ProgressSink {
public:
    explicit StatusProgress(QWidget* owner) : owner_(owner) {}
    ~StatusProgress() override;

    void Open(const std::string& info) override;
    void ChangeInfo(const std::string& info) override;
    int BarWidth() const override { return PROGRESS_BAR_WIDTH; }
    void SetBarWidth(int width) override;
    void SetReading(const ProgressReading& reading) override;
    bool TakeCancelRequest() override;
    void AbortAnswered(bool aborted) override;
    void DoEvents() override;
    void Close() override;

    // The dialog of the run in progress, or nullptr between runs.
    frmStatus* Dialog() const { return dialog_; }

    // Asks for the abort as the Cancel button does; nothing between runs.
    void RequestCancel();

    // Sets what is told how the abort question was answered.
    void SetAbortAnswered(std::function<void(bool aborted)> told) { abortAnswered_ = std::move(told); }

private:
    QWidget* owner_;
    frmStatus* dialog_ = nullptr;
    std::function<void(bool)> abortAnswered_;
};
