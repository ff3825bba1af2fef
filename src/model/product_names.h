#pragma once

namespace tolvane {

// The product's name as users see it in texts ("退出 Ondrel").
inline constexpr char kProductDisplayName[] = "Ondrel";

// The name used for the secret-service entries, data and configuration folders and the settings scope.
inline constexpr char kProductServiceName[] = "Tolvane";

} // namespace tolvane
