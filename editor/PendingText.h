#pragma once
// The part of a text being loaded that is not in the editing area yet,
// handed out in slices of whole lines (a CR LF pair never parted). Wiped
// once handed out or dropped.
#include <QString>
#include <QStringView>

namespace tainoteka {

class TPendingText {
public:
    TPendingText() = default;
    TPendingText(const TPendingText&) = delete;
    TPendingText& operator=(const TPendingText&) = delete;
    ~TPendingText() { Clear(); }

    void Start(QString text);
    bool IsEmpty() const { return at_ >= text_.size(); }
    // The next slice: whole lines, about wanted characters, or one longer line.
    QStringView Next(qsizetype wanted);
    QStringView Rest();
    // Length of the whole text, in the editing area's measure.
    qint64 WholeSavedLength() const { return wholeSaved_; }
    void Clear();

private:
    QStringView Take(qsizetype end);

    QString text_;
    qsizetype at_ = 0;
    qint64 wholeSaved_ = 0;
};

// Where a slice of text from `from`, of about wanted characters, ends: after
// the last line end inside it, or after the first beyond it when the line is
// longer than that.
qsizetype SliceEnd(QStringView text, qsizetype from, qsizetype wanted);

} // namespace tainoteka
