// What tests read of the zone hook.
#pragma once

// 1 while the hook times the running state, 0 otherwise.
int ZoneHookRunning();
