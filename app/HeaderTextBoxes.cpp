#include "app/HeaderTextBoxes.h"

#include "image/FixedText.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>

#include <memory>

namespace {

// Shows what the header will hold as the user types; every text is
// acceptable once its characters are replaced.
class HeaderTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        // A character outside the basic plane is two units here and one "?"
        // there, so the caret is recounted over the text before it.
        pos = static_cast<int>(AsHeaderText(input.left(pos)).size());
        input = AsHeaderText(input);
        return Acceptable;
    }
};

// Returns the stored length of a text: a line break counts as CR LF.
int StoredLength(const QString& text)
{
    return static_cast<int>(text.size() + text.count('\n'));
}

// Returns the stored length of a cursor's selection.
int StoredLength(const QTextCursor& cursor)
{
    return StoredLength(cursor.selectedText().replace(QChar::ParagraphSeparator, '\n'));
}

// Replaces, inside [from, to) of the document, each character the header
// cannot hold, as part of the edit that brought it. Returns the new end.
int ReplaceUnholdable(QTextDocument* document, int from, int to)
{
    QTextCursor cursor(document);
    cursor.joinPreviousEditBlock();
    cursor.setPosition(from);
    while (cursor.position() < to && cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor)) {
        const QString character = cursor.selectedText();
        const QString held = AsHeaderText(character);
        // Line breaks come back as the paragraph separator; they stay.
        if (character == QChar::ParagraphSeparator || held == character) {
            cursor.clearSelection();
            continue;
        }
        cursor.insertText(held);
        to -= static_cast<int>(character.size() - held.size());
    }
    cursor.endEditBlock();
    return to;
}

// Removes characters before `end`, but not before `from`, until the text's
// stored length is within the limit; then from the text's end if needed.
void CutToLimit(QTextDocument* document, int from, int end, int storedLimit)
{
    int excess = StoredLength(document->toPlainText()) - storedLimit;
    if (excess <= 0)
        return;
    QTextCursor cursor(document);
    cursor.joinPreviousEditBlock();
    const auto cutBefore = [&](int start, int floor) {
        cursor.setPosition(start);
        while (excess > 0 && cursor.position() > floor) {
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            excess -= StoredLength(cursor);
            cursor.removeSelectedText();
        }
    };
    cutBefore(end, from);
    cutBefore(document->characterCount() - 1, 0);
    cursor.endEditBlock();
}

}  // namespace

QString AsHeaderText(const QString& text)
{
    const std::string utf8 = text.toStdString();
    return QString::fromStdString(DecodeCp1252(EncodeCp1252(utf8, CharCount(utf8))));
}

void KeepHeaderText(QLineEdit* box)
{
    box->setValidator(new HeaderTextValidator(box));
}

void KeepHeaderText(QPlainTextEdit* box, int storedLimit)
{
    // The document says where an edit landed; the text is put right once the
    // edit is complete, as one undo step with it.
    auto inserted = std::make_shared<std::pair<int, int>>(0, 0);
    auto busy = std::make_shared<bool>(false);
    QTextDocument* document = box->document();
    QObject::connect(document, &QTextDocument::contentsChange, box, [inserted](int from, int, int added) {
        *inserted = {from, from + added};
    });
    QObject::connect(document, &QTextDocument::contentsChanged, box, [document, inserted, busy, storedLimit] {
        if (*busy)
            return;
        *busy = true;
        const auto [from, to] = *inserted;
        const int end = ReplaceUnholdable(document, from, std::min(to, document->characterCount() - 1));
        CutToLimit(document, from, end, storedLimit);
        *busy = false;
    });
}
