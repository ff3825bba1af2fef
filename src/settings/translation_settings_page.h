#pragma once

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tolvane {

class AppSettings;
class SettingsControlRow;

// Engine, cloud quality, languages and style, and for the user's own endpoint its address, model and API
// key. Settings are written straight into AppSettings; the key field's text goes nowhere but to the
// owner's key operations, which the page asks for through its signals.
class TranslationSettingsPage final : public QWidget {
    Q_OBJECT

public:
    explicit TranslationSettingsPage(AppSettings& settings, QWidget* parent = nullptr);

    QLineEdit* keyField() const { return m_key; }
    // What the key buttons may do: a key is saved, a Keychain call runs, a connection test runs.
    void setKeyState(bool hasSavedKey, bool keychainBusy, bool testing);

Q_SIGNALS:
    void saveKeyRequested();
    void testRequested();
    void deleteKeyRequested();
    void restoreDefaultsRequested();

private:
    void showSettings();
    void updateKeyButtons();

    AppSettings& m_settings;
    QComboBox* m_engine;
    QButtonGroup* m_quality;
    QWidget* m_qualityOptions; // the quality buttons, described by the chosen one
    SettingsControlRow* m_engineRow;
    SettingsControlRow* m_qualityRow;
    QComboBox* m_source;
    QComboBox* m_target;
    QComboBox* m_style;
    QWidget* m_customCard;
    QLineEdit* m_baseURL;
    QLineEdit* m_model;
    QLineEdit* m_key;
    QPushButton* m_saveKey;
    QPushButton* m_test;
    QPushButton* m_deleteKey;
    bool m_hasSavedKey = false;
    bool m_keychainBusy = false;
    bool m_testing = false;
};

} // namespace tolvane
