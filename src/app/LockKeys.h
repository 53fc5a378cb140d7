#pragma once
// State of the lock keys as the X server reports it.
struct SLockKeys {
    bool bCaps = false;
    bool bNum = false;
    bool bScroll = false;
};
// False when the platform does not tell (no X server).
bool QueryLockKeys(SLockKeys& keys);
