#pragma once

// Enables the debug privilege in the process's own token. True when the adjustment reported no
// error; callers go on either way.
bool EnableDebugPrivilege();
