#pragma once

#include "admin/AdminInfoMgr.h"

#include <string>
#include <vector>

#include <QDialog>
#include <QLineEdit>

class QPushButton;

namespace KorvaneApp {

// An edit box that takes a file dropped on it: the full path of the first dropped file becomes
// its text. Other drops (plain text) are the edit box's own business.
class DropEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DropEdit(QWidget* pParent = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
};

// "ファームウェアアップデート - KORVANE Admin": asks for the firmware image and sends it to the
// targets (MAC keys) through the progress dialog. The image must be named and present
// before any device is contacted; the dialog stays open until it is. It closes with OK
// once the progress dialog has been closed.
class FirmwareDialog : public QDialog {
    Q_OBJECT
public:
    FirmwareDialog(Korvane::CKorvaneAdminInfoMgr& manager, std::vector<std::string> targetMacs,
                   QWidget* pParent = nullptr);

    DropEdit* PathEdit() const { return m_pPath; }
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QPushButton* OkButton() const { return m_pOk; }

    // The file dialog's filter for a string-table filter text ("text|pattern|...||"). "*.*" means
    // every file there, and is "*" here, where a file name need not have a dot.
    static QString FileDialogFilter(const QString& tableFilter);

public slots:
    // "OK": checks the path, then runs the update.
    void accept() override;
    // "参照...".
    void Browse();

private:
    Korvane::CKorvaneAdminInfoMgr& m_manager;
    std::vector<std::string> m_targetMacs;
    DropEdit* m_pPath;
    QPushButton* m_pBrowse;
    QPushButton* m_pOk;
};

} // namespace KorvaneApp
