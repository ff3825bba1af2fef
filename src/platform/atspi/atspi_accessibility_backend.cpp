#include "platform/atspi/atspi_accessibility_backend.h"

#include "core/logging.h"

#include <QByteArray>
#include <atspi/atspi.h>
#include <vector>

namespace tolvane {
namespace {

constexpr int maxVisitedNodes = 500;

// Owns one GObject reference.
struct ObjectRef {
    gpointer object = nullptr;
    explicit ObjectRef(gpointer o = nullptr) : object(o) {}
    ObjectRef(const ObjectRef&) = delete;
    ObjectRef& operator=(const ObjectRef&) = delete;
    ObjectRef(ObjectRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ObjectRef& operator=(ObjectRef&& other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    ~ObjectRef() {
        if (object)
            g_object_unref(object);
    }
    AtspiAccessible* accessible() const { return static_cast<AtspiAccessible*>(object); }
};

void clearError(GError** error) {
    if (*error)
        g_clear_error(error);
}

bool hasState(AtspiAccessible* node, AtspiStateType state) {
    AtspiStateSet* set = atspi_accessible_get_state_set(node);
    if (!set)
        return false;
    const bool contains = atspi_state_set_contains(set, state);
    g_object_unref(set);
    return contains;
}

class FocusSearch {
public:
    FocusSearch(Clock& clock, std::chrono::nanoseconds deadline) : m_clock(clock), m_deadline(deadline) {}

    bool expired() const { return m_clock.uptime() >= m_deadline || m_visited >= maxVisitedNodes; }

    // Depth first through showing subtrees; the caller owns the returned reference.
    AtspiAccessible* find(AtspiAccessible* node) {
        if (expired())
            return nullptr;
        ++m_visited;
        if (hasState(node, ATSPI_STATE_FOCUSED))
            return static_cast<AtspiAccessible*>(g_object_ref(node));
        GError* error = nullptr;
        const gint count = atspi_accessible_get_child_count(node, &error);
        clearError(&error);
        for (gint i = 0; i < count && !expired(); ++i) {
            ObjectRef child(atspi_accessible_get_child_at_index(node, i, &error));
            clearError(&error);
            if (!child.object || !hasState(child.accessible(), ATSPI_STATE_SHOWING))
                continue;
            if (AtspiAccessible* found = find(child.accessible()))
                return found;
        }
        return nullptr;
    }

private:
    Clock& m_clock;
    std::chrono::nanoseconds m_deadline;
    int m_visited = 0;
};

} // namespace

AtspiAccessibilityBackend::AtspiAccessibilityBackend(Clock& clock, std::chrono::milliseconds budget)
    : m_clock(clock), m_budget(budget) {}

bool AtspiAccessibilityBackend::ensureInitialised() {
    if (m_bus == Bus::untried) {
        const int status = atspi_init();
        m_bus = (status == 0 || status == 1) ? Bus::present : Bus::absent;
        if (m_bus == Bus::present)
            atspi_set_timeout(250, 1000);
        else
            qCInfo(lcPlatform) << "Accessibility bus unavailable";
    }
    return m_bus == Bus::present;
}

std::optional<AccessibleSelection> AtspiAccessibilityBackend::focusedSelection(qint64 pid) {
    if (pid <= 0 || !ensureInitialised())
        return std::nullopt;
    const auto deadline = m_clock.uptime() + m_budget;
    GError* error = nullptr;

    ObjectRef desktop(atspi_get_desktop(0));
    if (!desktop.object)
        return std::nullopt;
    ObjectRef application;
    const gint apps = atspi_accessible_get_child_count(desktop.accessible(), &error);
    clearError(&error);
    for (gint i = 0; i < apps && m_clock.uptime() < deadline; ++i) {
        ObjectRef app(atspi_accessible_get_child_at_index(desktop.accessible(), i, &error));
        clearError(&error);
        if (!app.object)
            continue;
        const guint appPid = atspi_accessible_get_process_id(app.accessible(), &error);
        clearError(&error);
        if (static_cast<qint64>(appPid) == pid) {
            application = std::move(app);
            break;
        }
    }
    if (!application.object)
        return std::nullopt;
    // The cache may hold states from before the user's last focus change.
    atspi_accessible_clear_cache(application.accessible());

    FocusSearch search(m_clock, deadline);
    ObjectRef focused(search.find(application.accessible()));
    if (!focused.object)
        return std::nullopt;

    AccessibleSelection result;
    const AtspiRole role = atspi_accessible_get_role(focused.accessible(), &error);
    clearError(&error);
    if (role == ATSPI_ROLE_PASSWORD_TEXT) {
        result.isPassword = true;
        return result;
    }
    ObjectRef text(atspi_accessible_get_text_iface(focused.accessible()));
    if (!text.object)
        return result;
    auto* textIface = static_cast<AtspiText*>(text.object);
    const gint selections = atspi_text_get_n_selections(textIface, &error);
    clearError(&error);
    if (selections <= 0 || m_clock.uptime() >= deadline)
        return result;
    AtspiRange* range = atspi_text_get_selection(textIface, 0, &error);
    clearError(&error);
    if (!range)
        return result;
    const gint start = range->start_offset;
    const gint end = range->end_offset;
    g_free(range);
    if (end <= start)
        return result;
    if (gchar* selected = atspi_text_get_text(textIface, start, end, &error)) {
        result.text = QString::fromUtf8(selected);
        g_free(selected);
    }
    clearError(&error);
    if (result.text.isEmpty() || m_clock.uptime() >= deadline)
        return result;
    if (AtspiRect* extents =
            atspi_text_get_range_extents(textIface, start, end, ATSPI_COORD_TYPE_SCREEN, &error)) {
        result.nativeExtents = QRect(extents->x, extents->y, extents->width, extents->height);
        g_free(extents);
    }
    clearError(&error);
    return result;
}

} // namespace tolvane
