#pragma once

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "launcher/AgentLoop.h"
#include "launcher/AppIndexService.h"
#include "launcher/LauncherViewModel.h"
#include "support/FakeGeminiServer.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "support/TestEnvironment.h"

#include <QNetworkReply>
#include <QSignalSpy>

#include <memory>

namespace quillet::test {

inline constexpr int kWait = 20000;
inline const QString kTestKey = QStringLiteral("launcher-test-key-0001");

// The Gemini payload builders, under the names the launcher tests use.
using gemini::callChunk;
using gemini::callPart;
using gemini::partsChunk;
using gemini::textChunk;
using gemini::textPart;
using gemini::usageChunk;

// The one-shot answer of a title request.
inline FakeReply titleReply(const QString &title)
{
    return gemini::generated(title);
}

inline QString roleName(ConversationMessage::Role role)
{
    static const char *const names[]
        = { "user", "assistant", "command", "pendingApproval", "output", "error" };
    return QString::fromLatin1(names[int(role)]);
}

// "role: content" per message, so a failed comparison shows the conversation.
inline QStringList transcript(const ConversationSession &session)
{
    QStringList lines;
    for (const ConversationMessage &message : session.messages())
        lines.append(roleName(message.role) + QStringLiteral(": ") + message.content);
    return lines;
}

// One line per part of the history sent to the model.
inline QStringList apiTranscript(const QList<ChatMessage> &history)
{
    QStringList lines;
    for (const ChatMessage &message : history) {
        QStringList parts;
        for (const ChatPart &part : message.parts) {
            if (const auto *text = std::get_if<QString>(&part.value)) {
                parts.append(QStringLiteral("text(") + *text + QLatin1Char(')'));
            } else if (const auto *call = std::get_if<FunctionCall>(&part.value)) {
                parts.append(
                    QStringLiteral("call(") + call->args.value(QStringLiteral("command")) + QLatin1Char(')'));
            } else {
                const auto &response = std::get<FunctionResponse>(part.value);
                parts.append(QStringLiteral("response(") + response.response.value(QStringLiteral("output"))
                    + QLatin1Char('|') + response.response.value(QStringLiteral("exitCode"))
                    + QLatin1Char(')'));
            }
        }
        lines.append(rawValue(message.role) + QStringLiteral(": ") + parts.join(QStringLiteral(", ")));
    }
    return lines;
}

// An agent loop talking to a fake Gemini service, with its own preferences.
struct AgentFixture {
    std::unique_ptr<Defaults> defaults;
    std::unique_ptr<ApiKeyStore> keyStore;
    std::unique_ptr<FakeGeminiServer> server;
    std::unique_ptr<AIService> ai;
    std::unique_ptr<AgentLoop> loop;

    AgentFixture()
    {
        const QString path = isolatedHome() + QStringLiteral("/launcher.conf");
        QFile::remove(path);
        defaults = std::make_unique<Defaults>(path);
        keyStore = std::make_unique<ApiKeyStore>(*defaults, nullptr);
        server = std::make_unique<FakeGeminiServer>();
        defaults->setString(keys::geminiBaseURL, server->baseUrl());
        ai = std::make_unique<AIService>(AIService::baseUrlFrom(*defaults));
        loop = std::make_unique<AgentLoop>(*ai, *defaults, *keyStore);
    }

    ~AgentFixture()
    {
        loop.reset();
        ai.reset();
        server.reset();
    }

    void setKey() { defaults->setString(keys::geminiAPIKey, kTestKey); }

    // Whether the client has no request left in flight.
    bool networkIdle() const { return ai->findChildren<QNetworkReply *>().isEmpty(); }

    // A new conversation of `mode` whose first turn asks `text`.
    ConversationSessionPtr begin(const QString &text, LauncherMode mode = LauncherMode::aiChat)
    {
        auto session = std::make_shared<ConversationSession>(mode, text);
        loop->start(text, session, AgentLoop::Turn::first);
        return session;
    }
};

// A launcher over a fake desktop, talking to a fake Gemini service.
struct LauncherFixture : AgentFixture {
    FakeWorkspace workspace;
    std::unique_ptr<AppIndexService> index;
    std::unique_ptr<LauncherViewModel> model;

    explicit LauncherFixture(const QList<InstalledApplication> &apps = {})
    {
        workspace.installed = apps;
        index = std::make_unique<AppIndexService>(workspace);
        QSignalSpy indexed(index.get(), &AppIndexService::isIndexedChanged);
        index->buildIndex();
        if (!index->isIndexed())
            indexed.wait(kWait);
        model = std::make_unique<LauncherViewModel>(*index, workspace, *loop);
    }

    ~LauncherFixture() { model.reset(); }

    // Types `text` into the search field and presses Return.
    ConversationSessionPtr ask(const QString &text)
    {
        model->setSearchText(text);
        model->submit();
        return model->activeSession();
    }
};

} // namespace quillet::test
