#pragma once
// Shows web addresses as links. Display only: the document's text and its
// own formats are never changed, so nothing of it reaches the saved file.
#include <QSyntaxHighlighter>

namespace tainoteka {

class TLinkHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit TLinkHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

} // namespace tainoteka
