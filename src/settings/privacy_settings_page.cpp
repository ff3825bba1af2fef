#include "settings/privacy_settings_page.h"

#include "settings/settings_blocks.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace tolvane {

namespace {

// A 16 px ring segment standing in for the clear button's label while a clear runs. It turns while shown,
// so a clear that takes long still looks alive.
class BusyIndicator final : public QWidget {
public:
    explicit BusyIndicator(QWidget* parent) : QWidget(parent), m_turn(new QVariantAnimation(this)) {
        setObjectName(QStringLiteral("clearBusyIndicator"));
        setFixedSize(16, 16);
        m_turn->setStartValue(0);
        m_turn->setEndValue(360);
        m_turn->setDuration(900);
        m_turn->setLoopCount(-1);
        connect(m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
    }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        m_turn->start();
    }
    void hideEvent(QHideEvent* event) override {
        m_turn->stop();
        QWidget::hideEvent(event);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::colorB6AEA2(), 2, Qt::SolidLine, Qt::RoundCap));
        const int start = 90 - m_turn->currentValue().toInt();
        painter.drawArc(QRectF(2, 2, 12, 12), start * 16, -270 * 16);
    }

private:
    QVariantAnimation* m_turn;
};

struct PermissionRowText {
    PermissionKind kind;
    const char* title;
    const char* detail;
    const char* symbol;
};

const PermissionRowText permissionRows[] = {
    {PermissionKind::accessibility, "辅助功能", "仅在触发翻译或自动划词时读取当前选中文本。",
     "accessibility"},
    {PermissionKind::inputMonitoring, "输入监控", "用于全局快捷键和选词按钮，不记录你的键入内容。",
     "keyboard.badge.ellipsis"},
    {PermissionKind::screenRecording, "屏幕录制", "只在 OCR 截图框选期间读取屏幕像素。", "viewfinder"},
};

} // namespace

QString permissionStatusText(PermissionKind kind, PermissionState state) {
    const bool granted = state == PermissionState::granted;
    switch (kind) {
    case PermissionKind::accessibility:
        return granted ? QStringLiteral("辅助功能已授权") : QStringLiteral("辅助功能未授权");
    case PermissionKind::inputMonitoring:
        if (granted)
            return QStringLiteral("输入监控当前可用");
        return state == PermissionState::denied ? QStringLiteral("输入监控未授权")
                                                : QStringLiteral("输入监控待授权");
    case PermissionKind::screenRecording:
        return granted ? QStringLiteral("屏幕录制已授权") : QStringLiteral("屏幕录制未授权");
    }
    return {};
}

PrivacySettingsPage::PrivacySettingsPage(QWidget* parent) : QWidget(parent) {
    auto* permissions = new SettingsCard(QStringLiteral("系统权限"));
    for (const PermissionRowText& text : permissionRows) {
        auto* control = new QWidget;
        auto* line = new QHBoxLayout(control);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(10);
        auto* badge = new SettingsStatusBadge(control);
        auto* button = new QPushButton(QStringLiteral("请求授权"), control);
        const PermissionKind kind = text.kind;
        connect(button, &QPushButton::clicked, this, [this, kind] { Q_EMIT permissionRequested(kind); });
        line->addWidget(badge);
        line->addWidget(button);
        m_rows[kind] = {badge, button, QString::fromUtf8(text.title)};
        permissions->addRow(new SettingsControlRow(QString::fromUtf8(text.title),
                                                   QString::fromUtf8(text.detail),
                                                   QString::fromLatin1(text.symbol), control));
    }

    auto* cloud = new SettingsCard(QStringLiteral("云端翻译说明"));
    auto* statement =
        new QLabel(QStringLiteral("仅在触发快捷键时读取当前选中文本；默认不常驻读取剪贴板。托管云端会把待翻译"
                                  "文本发送到我们的云端翻译服务；"
                                  "自定义 API 会直接调用你配置的兼容接口，密钥只保存在系统钥匙串中。"));
    statement->setTextFormat(Qt::PlainText);
    statement->setWordWrap(true);
    statement->setFont(Theme::callout());
    statement->setContentsMargins(20, 20, 20, 20);
    QPalette palette = statement->palette();
    palette.setColor(QPalette::WindowText, Theme::colorB6AEA2());
    statement->setPalette(palette);
    cloud->addRow(statement);

    auto* history = new SettingsCard(QStringLiteral("本地历史"));
    m_clear = new QPushButton;
    m_clear->setAccessibleName(QStringLiteral("清空翻译历史"));
    m_clearLabel = new QStackedWidget(m_clear);
    auto* label = new QWidget;
    auto* labelLine = new QHBoxLayout(label);
    labelLine->setContentsMargins(0, 0, 0, 0);
    labelLine->setSpacing(6);
    labelLine->addWidget(makeSymbolLabel(QStringLiteral("trash"), 14, Theme::systemRed(), label));
    auto* labelText = new QLabel(QStringLiteral("清空翻译历史"), label);
    labelText->setStyleSheet(QStringLiteral("color: %1;").arg(Theme::systemRed().name()));
    labelLine->addWidget(labelText);
    m_clearLabel->addWidget(label);
    auto* busy = new QWidget;
    auto* busyLine = new QHBoxLayout(busy);
    busyLine->setContentsMargins(0, 0, 0, 0);
    busyLine->addWidget(new BusyIndicator(busy), 0, Qt::AlignCenter);
    m_clearLabel->addWidget(busy);
    m_clearLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* buttonLine = new QHBoxLayout(m_clear);
    buttonLine->setContentsMargins(12, 4, 12, 4);
    buttonLine->addWidget(m_clearLabel);
    m_clear->setMinimumSize(label->sizeHint() + QSize(24, 12));
    connect(m_clear, &QPushButton::clicked, this, &PrivacySettingsPage::clearHistoryRequested);
    history->addRow(new SettingsControlRow(QStringLiteral("无限保留"),
                                           QStringLiteral("翻译历史和本地翻译记忆保存在这台电脑上。"),
                                           QStringLiteral("internaldrive"), m_clear));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeSettingsPageLayout(
        QStringLiteral("隐私"), QStringLiteral("你的文本始终由你掌控。"),
        QStringLiteral("权限仅在相应功能需要时请求；云端与本地数据规则会在这里明确说明。"),
        QStringLiteral("本地优先存储"), makeSettingsStack({permissions, cloud, history}, nullptr), this));
}

void PrivacySettingsPage::showPermissions(const PermissionService& permissions) {
    for (auto& [kind, row] : m_rows) {
        const PermissionStatus status = permissions.state(kind);
        const bool granted = status.state == PermissionState::granted;
        row.badge->setState(permissionStatusText(kind, status.state), granted, status.reason);
        row.button->setText(granted ? QStringLiteral("系统设置") : QStringLiteral("请求授权"));
        // Named with its row's permission too, so a screen reader tells the three buttons apart.
        row.button->setAccessibleName(QStringLiteral("%1（%2）").arg(row.button->text(), row.title));
    }
}

void PrivacySettingsPage::setClearing(bool clearing) {
    m_clear->setEnabled(!clearing);
    m_clearLabel->setCurrentIndex(clearing ? 1 : 0);
}

} // namespace tolvane
