#pragma once
// Rich-text (RTF) bodies: a deciphered body that is an RTF document opens
// formatted. Qt has no RTF reader, so this is a small one of our own.
//
// Read: bold, italic, underline, strike-out, hidden text, super/subscript,
// font size, colour (\colortbl, \cf), paragraphs and line breaks, tabs,
// paragraph alignment, \'hh bytes (always as Windows-1251, whatever
// \ansicpg says), \uN with its \ucN fallback, the usual named characters
// (\emdash, \~ and the like).
// Font faces are not applied: the editing area keeps the user's display font.
// Pictures, objects, headers, tables of fonts and styles, document info and
// every {\* ...} destination are skipped.
#include <QByteArray>

class QTextDocument;

namespace tainoteka {

// True when the body starts like an RTF document: "{\rtf", the control word
// being exactly "rtf" (a version number may follow).
bool IsRichTextDocument(const QByteArray& body);

// Replaces the document's content with the formatted text of the body and
// empties its undo history. A body that is not well-formed RTF (unbalanced
// braces, text after the closing brace, groups nested absurdly deep, a \bin
// running past the end) gives false and leaves the document as it was, so
// the caller can show the body as plain text instead.
bool ImportRichText(const QByteArray& body, QTextDocument& document);

} // namespace tainoteka
