#include "support/fake_translation_replies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

CapturedRequest postWithBody(const QJsonObject& body) {
    CapturedRequest request;
    request.method = "POST";
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return request;
}

// The JSON payloads of the "data: " lines the response writes, in order.
QList<QJsonObject> dataPayloads(const FakeResponse& response) {
    QList<QJsonObject> payloads;
    for (const auto& part : response.parts)
        for (const QByteArray& line : part.bytes.split('\n'))
            if (line.startsWith("data: {"))
                payloads.append(QJsonDocument::fromJson(line.mid(6)).object());
    return payloads;
}

bool hasLoneSurrogate(const QString& text) {
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (text.at(index).isHighSurrogate() &&
            (index + 1 == text.size() || !text.at(index + 1).isLowSurrogate()))
            return true;
        if (text.at(index).isLowSurrogate() && (index == 0 || !text.at(index - 1).isHighSurrogate()))
            return true;
    }
    return false;
}

const QString kSource = QStringLiteral("Good morning 👋🏽 world, café");

TEST(FakeTranslationReplies, PiecesCoverTheTextWithoutSplittingAGraphemeCluster) {
    for (const QString& text :
         {kSource, QStringLiteral("ab"), QStringLiteral("👋🏽👋🏽👋🏽👋🏽"), QString()}) {
        const QStringList pieces = fake_replies::pieces(text, 3);
        EXPECT_EQ(pieces.join(QString()), text);
        EXPECT_LE(pieces.size(), 3);
        for (const QString& piece : pieces) {
            EXPECT_FALSE(piece.isEmpty()) << text.toStdString();
            EXPECT_FALSE(hasLoneSurrogate(piece)) << text.toStdString();
            EXPECT_FALSE(piece.startsWith(QStringLiteral("🏽")))
                << "a skin-tone modifier was cut from its emoji";
        }
    }
}

TEST(FakeTranslationReplies, ChatStreamCarriesTheWholeTranslationOfTheTextPart) {
    const QString userMessage =
        QStringLiteral("Translate the following text to German. Style: Natural.\n\n\n\nText:\n") + kSource;
    const QJsonObject body{{"stream", true},
                           {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", "x"}},
                                                   QJsonObject{{"role", "user"}, {"content", userMessage}}}}};
    const FakeResponse response = fake_replies::chatCompletion(postWithBody(body), 0);

    ASSERT_EQ(response.status, 200);
    QString streamed;
    int deltas = 0;
    for (const QJsonObject& payload : dataPayloads(response)) {
        const QString content = payload.value("choices")
                                    .toArray()
                                    .first()
                                    .toObject()
                                    .value("delta")
                                    .toObject()
                                    .value("content")
                                    .toString();
        deltas += content.isEmpty() ? 0 : 1;
        streamed += content;
    }
    EXPECT_EQ(streamed, QStringLiteral("[fake] ") + kSource);
    EXPECT_GT(deltas, 1);
}

TEST(FakeTranslationReplies, HostedStreamDeltasAddUpToTheDoneText) {
    const FakeResponse response =
        fake_replies::hostedTranslation(postWithBody(QJsonObject{{"source_text", kSource}}), 0);

    ASSERT_EQ(response.status, 200);
    const QList<QJsonObject> payloads = dataPayloads(response);
    ASSERT_GE(payloads.size(), 2);
    QString streamed;
    for (qsizetype index = 0; index + 1 < payloads.size(); ++index)
        streamed += payloads.at(index).value("text").toString();
    EXPECT_EQ(streamed, QStringLiteral("[fake] ") + kSource);
    EXPECT_EQ(payloads.last().value("translated_text").toString(), streamed);
}

TEST(FakeTranslationReplies, RequestsWithoutTextAreRejected) {
    EXPECT_EQ(fake_replies::chatCompletion(postWithBody(QJsonObject{{"messages", QJsonArray{}}}), 0).status,
              400);
    EXPECT_EQ(fake_replies::hostedTranslation(postWithBody(QJsonObject{}), 0).status, 400);
}

} // namespace
} // namespace tolvane::testing
