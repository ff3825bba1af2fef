#pragma once

#include "model/ai_request.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The texts and JSON bodies of a chat-completions translation request.
namespace tolvane::chat_request {

// Three fixed lines, each ending in "\n", then the style line.
QString systemText(TranslationStyle style);
// "Auto-detect the source language and translate ..." or "Translate the following text from ...".
QString instructionLine(const AIRequest& request);
// Empty without an active term; else a header line and the terms as compact JSON with "/" escaped.
QString glossaryBlock(const QList<GlossaryTerm>& terms);
// instruction + "\n\n" + glossary block + "\n\nText:\n" + source text as given.
QString userText(const AIRequest& request);

QByteArray streamingBody(const QString& model, const AIRequest& request);
QByteArray connectionTestBody(const QString& model);

} // namespace tolvane::chat_request
