#pragma once

#include "platform/permission_service.h"

#include <QWidget>
#include <functional>
#include <map>

class QBoxLayout;
class QLabel;
class QPushButton;

namespace tolvane {

class OnboardingCard;

// The label a guide permission row shows for a state.
QString guidePermissionStatusText(PermissionKind kind, PermissionState state);

// One permission on the guide's permissions page: icon, title and purpose, then the state and, while it is
// not granted, the reason and a request button. Stacks its state under the text when the row is too
// narrow to hold both side by side.
class PermissionRow final : public QWidget {
    Q_OBJECT

public:
    PermissionRow(PermissionKind kind, const QString& title, const QString& text, const QString& symbol,
                  QWidget* parent = nullptr);

    // Shows the state; a request's explanation, once given, stays in the reason line.
    void showStatus(const PermissionStatus& status);
    void setExplanation(const QString& explanation);

    PermissionKind kind() const { return m_kind; }
    bool isStacked() const { return m_stacked; }
    QString statusText() const;
    QString reasonText() const;
    QPushButton* requestButton() const { return m_request; }

Q_SIGNALS:
    void requestPressed(PermissionKind kind);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(int width);
    // Read as one element: the title and state as its name, the text and reason as its description.
    void refreshAccessibleText();

    PermissionKind m_kind;
    OnboardingCard* m_card;
    QBoxLayout* m_layout;
    QWidget* m_info;
    QWidget* m_status;
    QLabel* m_title;
    QLabel* m_text;
    QLabel* m_reason;
    QLabel* m_statusIcon;
    QLabel* m_statusLabel;
    QPushButton* m_request;
    QString m_explanation;
    bool m_stacked = false;
};

// The guide's third page: the three permissions the workflow uses, read from the session.
class PermissionsStep final : public QWidget {
    Q_OBJECT

public:
    explicit PermissionsStep(QWidget* parent = nullptr);

    void showPermissions(const PermissionService& permissions);
    // Writes the request's explanation into the row.
    void showRequestResult(PermissionKind kind, const PermissionRequestResult& result);
    PermissionRow* row(PermissionKind kind) const { return m_rows.at(kind); }

Q_SIGNALS:
    void requestPressed(PermissionKind kind);

private:
    std::map<PermissionKind, PermissionRow*> m_rows;
};

} // namespace tolvane
