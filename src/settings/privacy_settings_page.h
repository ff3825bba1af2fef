#pragma once

#include "platform/permission_service.h"

#include <QWidget>
#include <map>

class QPushButton;
class QStackedWidget;

namespace tolvane {

class SettingsStatusBadge;

// The three permissions the global features need, with their honest state on this session, what is read
// and where text is sent, and the local history's clear button.
class PrivacySettingsPage final : public QWidget {
    Q_OBJECT

public:
    explicit PrivacySettingsPage(QWidget* parent = nullptr);

    // Updates badges, tool tips and button labels in place; rows are never rebuilt.
    void showPermissions(const PermissionService& permissions);
    void setClearing(bool clearing);

    SettingsStatusBadge* badge(PermissionKind kind) const { return m_rows.at(kind).badge; }
    QPushButton* requestButton(PermissionKind kind) const { return m_rows.at(kind).button; }
    QPushButton* clearButton() const { return m_clear; }

Q_SIGNALS:
    void permissionRequested(PermissionKind kind);
    void clearHistoryRequested();

private:
    struct Row {
        SettingsStatusBadge* badge;
        QPushButton* button;
        QString title;
    };
    std::map<PermissionKind, Row> m_rows;
    QPushButton* m_clear;
    QStackedWidget* m_clearLabel;
};

// The badge text of a permission in a state.
QString permissionStatusText(PermissionKind kind, PermissionState state);

} // namespace tolvane
