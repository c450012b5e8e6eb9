#pragma once
// The bar above the text of a .txtp document: such a file opens without its
// password for anyone who copies it, so the bar offers the strong type, and
// once the document is saved in it, the removal of the old file.
#include <QFrame>

class QLabel;
class QPushButton;

namespace tainoteka {

class TUpgradeBar final : public QFrame {
    Q_OBJECT
public:
    explicit TUpgradeBar(QWidget* parent = nullptr);

    void ShowOldFormat();
    // The document now lives in newName, checked; oldName is still on disk.
    void ShowSaved(const QString& newName, const QString& oldName);

    QLabel* LblMessage = nullptr;
    QPushButton* BtnUpgrade = nullptr;
    QPushButton* BtnDeleteOld = nullptr;
    QPushButton* BtnHide = nullptr;

signals:
    void UpgradeRequested();
    void DeleteOldRequested();
};

} // namespace tainoteka
