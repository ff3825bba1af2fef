#include "panel/result_panel_footer.h"

#include "core/text.h"
#include "model/raw_enum.h"
#include "panel/result_panel_picker.h"
#include "panel/result_panel_settings.h"
#include "panel/result_panel_workflow.h"
#include "ui/icon_provider.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>

namespace tolvane {
namespace {

// Shows the option holding `data` as chosen; none (the placeholder) when no option holds it.
void showChoice(QComboBox* picker, const QString& data) {
    const QSignalBlocker blocker(picker);
    picker->setCurrentIndex(picker->findData(data));
}

// A keypad variant of a button's shortcut; it clicks the same button under the same conditions.
void addKeypadShortcut(QPushButton* button, const QKeySequence& sequence) {
    auto* shortcut = new QShortcut(sequence, button);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->animateClick();
    });
}

} // namespace

ResultPanelFooter::ResultPanelFooter(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                                     QWidget* parent)
    : QWidget(parent), m_workflow(workflow), m_settings(settings) {
    setFixedHeight(52);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(10);

    m_engine = makePanelPicker(QStringLiteral("翻译引擎"), 118, this);
    for (TranslationEngine engine : {TranslationEngine::cloudStandard, TranslationEngine::openAICompatible})
        m_engine->addItem(displayName(engine), rawValue(engine));
    m_engine->setPlaceholderText(QStringLiteral("请选择翻译引擎"));
    m_quality = makePanelPicker(QStringLiteral("云端质量"), 104, this);
    for (CloudTranslationQuality quality :
         {CloudTranslationQuality::standard, CloudTranslationQuality::advanced})
        m_quality->addItem(displayName(quality), rawValue(quality));
    fitPanelPickerToItems(m_engine);
    fitPanelPickerToItems(m_quality);
    layout->addWidget(m_engine);
    layout->addWidget(m_quality);
    layout->addStretch(1);

    m_stop = addButton(QStringLiteral("停止"), QStringLiteral("stop.fill"), QColor(0xFF, 0x45, 0x3A));
    m_manualTranslate =
        addButton(QStringLiteral("翻译"), QStringLiteral("arrow.right"), Theme::colorBDA46B());
    m_copySource = addButton(QStringLiteral("复制原文"), QStringLiteral("doc.on.doc"), {});
    m_recognizedTranslate =
        addButton(QStringLiteral("翻译"), QStringLiteral("arrow.right.circle.fill"), Theme::accentColor());
    m_copy = addButton(QStringLiteral("复制"), QStringLiteral("doc.on.doc"), {});
    m_replace = addButton(QStringLiteral("替换原文"), QStringLiteral("return"), {});
    for (QPushButton* button : m_buttons)
        layout->addWidget(button);

    // The panel never takes the keyboard from the user's application: its keys act once it is clicked.
    m_stop->setToolTip(QStringLiteral("停止翻译（点按面板后也可按 Esc）"));
    m_manualTranslate->setToolTip(QStringLiteral("翻译输入的文字（Ctrl+Enter）"));
    m_copy->setToolTip(QStringLiteral("复制译文（点按面板后也可按 Ctrl+Shift+C）"));
    m_replace->setToolTip(QStringLiteral("立即用译文替换原 App 中选中的文字（点按面板后也可按 Enter）"));
    m_manualTranslate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    addKeypadShortcut(m_manualTranslate,
                      QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Enter));
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    m_replace->setShortcut(QKeySequence(Qt::Key_Return));
    addKeypadShortcut(m_replace, QKeySequence(Qt::KeypadModifier | Qt::Key_Enter));

    connect(m_engine, &QComboBox::activated, this, [this](int index) {
        if (auto engine = fromRawValue<TranslationEngine>(m_engine->itemData(index).toString()))
            m_settings->setTranslationEngine(*engine);
    });
    connect(m_quality, &QComboBox::activated, this, [this](int index) {
        if (auto quality = fromRawValue<CloudTranslationQuality>(m_quality->itemData(index).toString()))
            m_settings->selectCloudTranslationQuality(*quality);
    });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_workflow->stopTranslation(); });
    connect(m_manualTranslate, &QPushButton::clicked, this, [this] {
        if (!text::trimmed(m_manualInputText).isEmpty())
            m_workflow->translateManualInput(m_manualInputText);
    });
    connect(m_copySource, &QPushButton::clicked, this, [this] { m_workflow->copySourceText(); });
    connect(m_recognizedTranslate, &QPushButton::clicked, this,
            [this] { m_workflow->translateText(m_workflow->sourceText(), false); });
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (!m_workflow->resultText().isEmpty())
            m_workflow->copyResultText();
    });
    connect(m_replace, &QPushButton::clicked, this, [this] {
        if (!m_workflow->resultText().isEmpty() && m_workflow->isResultFinished())
            m_workflow->replaceOriginal();
    });
    refresh({});
}

QPushButton* ResultPanelFooter::addButton(const QString& title, const QString& symbol,
                                          const QColor& prominentTint) {
    auto* button = new QPushButton(title, this);
    const bool prominent = prominentTint.isValid();
    const QColor foreground = prominent ? QColor(Qt::white) : Theme::labelColor();
    button->setIcon(IconProvider::shared().symbolPixmap(symbol, 12, foreground, devicePixelRatioF()));
    button->setIconSize(QSize(12, 12));
    button->setFixedHeight(24);
    button->setFont(Theme::subheadline());
    button->setAutoDefault(false);
    const QString background = prominent ? prominentTint.name() : QStringLiteral("rgba(255,255,255,31)");
    button->setStyleSheet(QStringLiteral("QPushButton{background:%1;color:%2;border:none;border-radius:6px;"
                                         "padding:0 10px}"
                                         "QPushButton:disabled{color:rgba(255,255,255,90);"
                                         "background:rgba(255,255,255,20)}")
                              .arg(background, foreground.name()));
    m_buttons.append(button);
    return button;
}

void ResultPanelFooter::refresh(const QString& manualInputText) {
    m_manualInputText = manualInputText;
    const WorkflowStatus status = m_workflow->status();
    const bool busy = status.isBusy();
    const bool manual = m_workflow->isManualInputMode();
    const QString source = m_workflow->sourceText();
    const bool hasResult = !m_workflow->resultText().isEmpty();

    // While no engine is chosen (the stored one cannot be read) no quality is offered either.
    const std::optional<TranslationEngine> engine = m_settings->translationEngine();
    showChoice(m_engine, engine ? rawValue(*engine) : QString());
    showChoice(m_quality, rawValue(m_settings->cloudTranslationQuality()));
    m_quality->setVisible(engine == TranslationEngine::cloudStandard);

    m_stop->setVisible(busy);
    m_manualTranslate->setVisible(manual && !busy);
    m_manualTranslate->setEnabled(!text::trimmed(manualInputText).isEmpty());
    const bool captured = status.kind() == WorkflowStatus::Kind::textCaptured;
    m_copySource->setVisible(captured);
    m_copySource->setEnabled(!source.isEmpty());
    m_recognizedTranslate->setVisible(captured);
    m_recognizedTranslate->setEnabled(!source.isEmpty());
    m_copy->setEnabled(hasResult);
    m_replace->setVisible(m_workflow->canPasteBackToSource());
    // Only a whole answer replaces the user's text: the button and its keys wait while it streams, and stay
    // off for one that broke off or failed.
    m_replace->setEnabled(hasResult && m_workflow->isResultFinished());
}

QList<QPushButton*> ResultPanelFooter::visibleButtons() const {
    QList<QPushButton*> visible;
    for (QPushButton* button : m_buttons)
        if (!button->isHidden())
            visible.append(button);
    return visible;
}

} // namespace tolvane
