#pragma once
// A field of the find panel. With the clipboard switch off it keeps the
// editing area's rules: no cut, copy or paste by key, menu, middle click or
// drag and drop, and its selection is not offered as PRIMARY. With the
// switch on, what it copies carries the same marker as the editing area's
// copies.
#include <QLineEdit>

class QMenu;

namespace tainoteka {

class TFindField final : public QLineEdit {
    Q_OBJECT
public:
    explicit TFindField(QWidget* parent = nullptr);

    void SetClipboardBlocked(bool blocked);
    bool ClipboardBlocked() const { return clipboardBlocked_; }
    QMenu* CreateContextMenu();
    void CopySelection();
    void CutSelection();

signals:
    void EnterPressed(bool withShift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The line edit offers every keyboard selection as PRIMARY by itself.
    void GiveUpPrimary();

    bool clipboardBlocked_ = false;
};

} // namespace tainoteka
