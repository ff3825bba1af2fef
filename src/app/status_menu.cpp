#include "app/status_menu.h"

#include "core/logging.h"
#include "model/key_table.h"
#include "ui/icon_provider.h"
#include "ui/theme.h"

#include <QCursor>
#include <QFile>
#include <QPainter>

namespace tolvane {

namespace {

// X keysyms (US layout, unshifted) of the keys that are no printable character.
Qt::Key qtKeyForKeysym(uint32_t keysym) {
    if (keysym >= 0x20 && keysym <= 0x7e)
        return Qt::Key(QChar(char16_t(keysym)).toUpper().unicode());
    if (keysym >= 0xffbe && keysym <= 0xffd1)
        return Qt::Key(Qt::Key_F1 + int(keysym - 0xffbe));
    switch (keysym) {
    case 0xff0d:
        return Qt::Key_Return;
    case 0xff09:
        return Qt::Key_Tab;
    case 0xff1b:
        return Qt::Key_Escape;
    case 0xff08:
        return Qt::Key_Backspace;
    case 0xffff:
        return Qt::Key_Delete;
    case 0xff51:
        return Qt::Key_Left;
    case 0xff52:
        return Qt::Key_Up;
    case 0xff53:
        return Qt::Key_Right;
    case 0xff54:
        return Qt::Key_Down;
    case 0xff50:
        return Qt::Key_Home;
    case 0xff57:
        return Qt::Key_End;
    case 0xff55:
        return Qt::Key_PageUp;
    case 0xff56:
        return Qt::Key_PageDown;
    default:
        return Qt::Key_unknown;
    }
}

QIcon letterIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Theme::colorBDA46B());
    QFont font = painter.font();
    font.setPixelSize(24);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("O"));
    return QIcon(pixmap);
}

} // namespace

StatusMenu::StatusMenu(Commands commands, QObject* parent)
    : QObject(parent), m_commands(std::move(commands)) {}

StatusMenu::~StatusMenu() {
    delete m_tray;
}

QAction* StatusMenu::addItem(const QString& title, const std::function<void()>& command,
                             const QString& keyText) {
    QAction* action = m_menu->addAction(keyText.isEmpty() ? title : title + QLatin1Char('\t') + keyText);
    if (!keyText.isEmpty()) {
        action->setShortcut(QKeySequence(keyText, QKeySequence::PortableText));
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    connect(action, &QAction::triggered, this, [command] {
        if (command)
            command();
    });
    return action;
}

void StatusMenu::install() {
    if (m_menu)
        return;
    m_menu = std::make_unique<QMenu>();
    const std::pair<ShortcutAction, const std::function<void()>*> shortcutRows[] = {
        {ShortcutAction::openTranslationWindow, &m_commands.showMainWindow},
        {ShortcutAction::translateSelection, &m_commands.triggerTranslation},
        {ShortcutAction::screenshotTranslation, &m_commands.triggerScreenshotTranslation},
        {ShortcutAction::screenshotRecognition, &m_commands.triggerScreenshotRecognition},
    };
    for (const auto& [action, command] : shortcutRows) {
        QAction* item = addItem(shortcutActionTitle(action), *command);
        item->setShortcutContext(Qt::WidgetShortcut);
        m_shortcutItems[action] = item;
    }
    m_menu->addSeparator();
    addItem(QStringLiteral("历史记录"), m_commands.showHistory, QStringLiteral("Ctrl+H"));
    addItem(QStringLiteral("设置与权限"), m_commands.showSettings, QStringLiteral("Ctrl+,"));
    addItem(QStringLiteral("首次使用引导"), m_commands.showOnboarding);
    addItem(QStringLiteral("打开辅助功能设置"), m_commands.openAccessibilitySettings);
    m_menu->addSeparator();
    addItem(QStringLiteral("检查更新…"), m_commands.checkForUpdates, QStringLiteral("Ctrl+U"));
    m_menu->addSeparator();
    addItem(QStringLiteral("退出"), m_commands.quit, QStringLiteral("Ctrl+Q"));

    m_tray = new QSystemTrayIcon(makeIcon());
    m_tray->setToolTip(tooltip);
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A left click opens the same menu as a right click.
        if (reason == QSystemTrayIcon::Trigger && m_menu)
            m_menu->popup(QCursor::pos());
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCWarning(lcAppDelegate) << "No system tray host; the tray item is not visible";
    m_tray->show();
}

QAction* StatusMenu::shortcutItem(ShortcutAction action) const {
    const auto it = m_shortcutItems.find(action);
    return it == m_shortcutItems.end() ? nullptr : it->second.data();
}

void StatusMenu::refreshShortcutMenuItems(const ShortcutConfiguration& shortcuts) {
    for (const auto& [action, item] : m_shortcutItems) {
        if (!item)
            continue;
        const QString title = shortcutActionTitle(action);
        item->setText(title);
        item->setShortcut({});
        const std::optional<AppShortcut> shortcut = shortcuts.shortcut(action);
        if (!shortcut)
            continue;
        const QKeySequence sequence = keySequenceFor(*shortcut);
        if (shortcut->pressCount == 1 && !shortcut->keyEquivalent.isEmpty() && !sequence.isEmpty()) {
            // Qt would spell the sequence in its own order; the menu shows our display text instead.
            item->setText(title + QLatin1Char('\t') + shortcut->displayText());
            item->setShortcut(sequence);
        } else {
            item->setText(QStringLiteral("%1（%2）").arg(title, shortcut->displayText()));
        }
    }
}

QIcon StatusMenu::makeIcon(const QString& markPath) {
    const QColor gold = Theme::colorBDA46B();
    QPixmap drawn;
    QFile mark(markPath);
    if (mark.open(QIODevice::ReadOnly))
        drawn = IconProvider::renderSvg(mark.readAll(), 32, gold, 1.0);
    if (drawn.isNull())
        drawn = IconProvider::shared().symbolPixmap(QStringLiteral("character.bubble"), 32, gold);
    return drawn.isNull() ? letterIcon() : QIcon(drawn);
}

QKeySequence StatusMenu::keySequenceFor(const AppShortcut& shortcut) {
    const KeyTableRow* row = KeyTable::byCode(shortcut.keyCode);
    if (!row)
        return {};
    const Qt::Key key = qtKeyForKeysym(row->keysym);
    if (key == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (shortcut.modifiers.contains(ShortcutModifiers::command))
        modifiers |= Qt::ControlModifier;
    if (shortcut.modifiers.contains(ShortcutModifiers::option))
        modifiers |= Qt::AltModifier;
    if (shortcut.modifiers.contains(ShortcutModifiers::control))
        modifiers |= Qt::MetaModifier;
    if (shortcut.modifiers.contains(ShortcutModifiers::shift))
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, key));
}

} // namespace tolvane
