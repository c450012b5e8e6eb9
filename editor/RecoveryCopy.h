#pragma once
// What a recovery copy holds once opened: the text and where it belongs (the
// document's path and type, and the file as the text last saw it). All of it
// travels inside the encrypted payload; nothing about the document shows in
// the copy's file name.
#include <QByteArray>
#include <QString>

#include <optional>

#include "AtomicFile.h"

namespace tainoteka {

struct TRecoveryContent {
    QString Path; // the document's full path; empty when untitled
    QString Type; // the document's type, as its file extension ("txtp")
    QString Text; // line breaks as '\n' (the editing area's own separators are taken for '\n' too)
    // The file as the document last read or wrote it; nullopt when it had
    // none, or the copy was written before copies kept it.
    std::optional<TFileStamp> Stamp = std::nullopt;
};

// The editing area's paragraph and line separators become '\n', as a copy keeps them.
void UseNewlines(QString& text);

// The payload: a tag line, then type, path and stamp each ended by a NUL,
// then the text in UTF-8. Copies from before the stamp still open.
QByteArray EncodeRecoveryContent(const TRecoveryContent& content);
// nullopt for a payload that is not a recovery copy.
std::optional<TRecoveryContent> DecodeRecoveryContent(const QByteArray& payload);

} // namespace tainoteka
