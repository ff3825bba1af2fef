#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QStringList>

namespace tolvane::testing {

// Collects the messages of one logging category, every level enabled, while alive.
class LogCapture {
public:
    explicit LogCapture(const char* category) {
        s_category = category;
        s_lines.clear();
        m_previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (context.category && QByteArray(context.category) == s_category)
                    s_lines << text;
            });
        QLoggingCategory::setFilterRules(QStringLiteral("com.tolvane.app.*=true"));
    }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules({});
    }
    QStringList lines() const { return s_lines; }

private:
    static inline QByteArray s_category;
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

} // namespace tolvane::testing
