#pragma once

#include "admin/AdminInfoMgr.h"
#include "operations/OperationRun.h"

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace KorvaneApp {

// "処理中... - KORVANE Admin": one row per target device with its progress, the summary, and
// the question to re-enter the passwords that failed.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent = nullptr);
    ~ProgressDialog() override;

    // Starts the operation on the targets (MAC keys) and runs the dialog until "閉じる".
    void Run(int nKind, const std::vector<std::string>& targetMacs, const std::string& path = std::string(),
             const std::string& document = std::string());
    // Starts without entering the dialog's own loop (tests watch it work).
    void Start(int nKind, const std::vector<std::string>& targetMacs, const std::string& path = std::string(),
               const std::string& document = std::string());
    const Korvane::COperationRun* Operation() const { return m_run.get(); }

    QTreeWidget* Rows() const { return m_pRows; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QPushButton* CloseButton() const { return m_pClose; }

signals:
    void Finished();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void ApplyResult(const Korvane::OperationRowResult& result);
    void Summarise();
    void AskCancel();
    void CloseAndReauthenticate();
    bool IsRunning() const { return m_run && !m_run->IsFinished(); }

    Korvane::CKorvaneAdminInfoMgr& m_manager;
    std::unique_ptr<Korvane::COperationRun> m_run;
    QLabel* m_pStatus;
    QTreeWidget* m_pRows;
    QPushButton* m_pCancel;
    QPushButton* m_pClose;
};

} // namespace KorvaneApp
