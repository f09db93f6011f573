#pragma once
// Text between the document and the fields that edit it. A field shows line breaks as
// line feeds whatever the document holds, and a person can paste characters that an XML
// file cannot hold; these functions keep both from changing or breaking the file.

#include <QString>
#include <QValidator>

// The text with every character XML cannot hold (controls below U+0020 but tab, line feed
// and carriage return, and U+FFFE, U+FFFF) turned into a space.
QString WithoutForbiddenControls(QString text);

// The line end a stored text uses throughout ("\r\n" or "\r"), else "\n".
QString LineEndOf(const QString& stored);
// The stored text as a multi-line field shows it: every line end a line feed.
QString ForField(const QString& stored);
// The field's text with its line feeds turned into `lineEnd`.
QString FromField(QString fieldText, const QString& lineEnd);

// Keeps a line edit free of characters XML cannot hold, as they are typed or pasted.
class XmlTextValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
