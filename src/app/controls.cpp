// The player's actions and their keys (see controls.h).
#include "app/controls.h"

#include "game/world.h"
#include "input/input.h"

using S = SettingsRecord;

const ControlAction kControlActions[CTRL_COUNT] = {
    {"Forward", &S::BIND_FORWARD, "BIND_FORWARD", {DIK_UP, 0}},
    {"Back", &S::BIND_BACK, "BIND_BACK", {DIK_DOWN, 0}},
    {"Turn left", &S::BIND_TURNLEFT, "BIND_TURNLEFT", {0, 0}},
    {"Turn right", &S::BIND_TURNRIGHT, "BIND_TURNRIGHT", {0, 0}},
    {"Strafe left", &S::BIND_STRAFELEFT, "BIND_STRAFELEFT", {0, 0}},
    {"Strafe right", &S::BIND_STRAFERIGHT, "BIND_STRAFERIGHT", {0, 0}},
    {"Fire", &S::BIND_FIRE, "BIND_FIRE", {DIK_SPACE, INPUT_MOUSE1}},
    {"Knife", &S::BIND_WEAPON1, "BIND_WEAPON1", {DIK_1, 0}},
    {"Gun", &S::BIND_WEAPON2, "BIND_WEAPON2", {DIK_2, 0}},
    {"Shotgun", &S::BIND_WEAPON3, "BIND_WEAPON3", {DIK_3, 0}},
    {"Minigun", &S::BIND_WEAPON4, "BIND_WEAPON4", {DIK_4, 0}},
    {"Launcher", &S::BIND_WEAPON5, "BIND_WEAPON5", {DIK_5, 0}},
    {"Next weapon", &S::BIND_NEXTWEAPON, "BIND_NEXTWEAPON", {0, 0}},
    {"Prev weapon", &S::BIND_PREVWEAPON, "BIND_PREVWEAPON", {0, 0}},
    {"Map", &S::BIND_MAP, "BIND_MAP", {DIK_TAB, 0}},
    {"Screenshot", &S::BIND_SCREENSHOT, "BIND_SCREENSHOT", {DIK_F12, 0}},
    {"Quick save", &S::BIND_QUICKSAVE, "BIND_QUICKSAVE", {DIK_F6, 0}},
    {"Quick load", &S::BIND_QUICKLOAD, "BIND_QUICKLOAD", {DIK_F9, 0}},
    {"Side left", &S::BIND_LEFT, "BIND_LEFT", {DIK_LEFT, 0}},
    {"Side right", &S::BIND_RIGHT, "BIND_RIGHT", {DIK_RIGHT, 0}},
};

namespace {

bool Bound(int id, int code) {
    const int32_t keys = Settings.*kControlActions[id].binding;
    for (int i = 0; i < 4 && BoundKey(keys, i); ++i)
        if (BoundKey(keys, i) == code) return true;
    return false;
}

// A classic key of the action that no other action's binding took.
bool ClassicKey(int id, int code) {
    const ControlAction& a = kControlActions[id];
    if (!code || (a.classic[0] != code && a.classic[1] != code)) return false;
    for (int other = 0; other < CTRL_COUNT; ++other)
        if (other != id && Bound(other, code)) return false;
    return true;
}

template <typename Test>
bool AnyKey(int id, bool bound, Test test) {
    for (uint8_t code : kControlActions[id].classic)
        if (ClassicKey(id, code) && test(code)) return true;
    if (!bound) return false;
    const int32_t keys = Settings.*kControlActions[id].binding;
    for (int i = 0; i < 4 && BoundKey(keys, i); ++i)
        if (test(BoundKey(keys, i))) return true;
    return false;
}

void Unbind(int id, int code) {
    int32_t& keys = Settings.*kControlActions[id].binding;
    uint32_t kept = 0;
    int n = 0;
    for (int i = 0; i < 4 && BoundKey(keys, i); ++i)
        if (BoundKey(keys, i) != code) kept |= uint32_t(BoundKey(keys, i)) << (8 * n++);
    keys = int32_t(kept);
}

const char* NameOf(int code) {
    const char* name = InputCodeName(code);
    return name ? name : "?";
}

}  // namespace

bool ControlHeld(int id, bool bound) {
    return AnyKey(id, bound, [](int code) { return InputCodeHeld(code); });
}
bool ControlPressed(int id, bool bound) {
    return AnyKey(id, bound, [](int code) { return InputCodePressed(code); });
}

int ControlUsing(int code, int except) {
    for (int id = 0; id < CTRL_COUNT; ++id)
        if (id != except && (ClassicKey(id, code) || Bound(id, code))) return id;
    return -1;
}

std::string ControlKeysText(int id) {
    std::string out;
    auto add = [&out](int code) { out += (out.empty() ? "" : ", ") + std::string(NameOf(code)); };
    for (uint8_t code : kControlActions[id].classic)
        if (ClassicKey(id, code) && !Bound(id, code)) add(code);
    const int32_t keys = Settings.*kControlActions[id].binding;
    for (int i = 0; i < 4 && BoundKey(keys, i); ++i) add(BoundKey(keys, i));
    return out.empty() ? "none" : out;
}

void ControlBindKey(int id, int code, std::string* said) {
    const char* label = kControlActions[id].label;
    if (ClassicKey(id, code) || Bound(id, code)) {
        *said = std::string(NameOf(code)) + " is " + label + "'s already";
        return;
    }
    const int from = ControlUsing(code, id);
    for (int other = 0; other < CTRL_COUNT; ++other)
        if (other != id) Unbind(other, code);
    // A classic key of this action that another one had taken comes back by being freed.
    if (!ClassicKey(id, code)) {
        int32_t& keys = Settings.*kControlActions[id].binding;
        if (BoundKey(keys, 3)) Unbind(id, BoundKey(keys, 0));  // four bound: the oldest gives way
        int n = 0;
        while (n < 4 && BoundKey(keys, n)) ++n;
        keys = int32_t(uint32_t(keys) | uint32_t(code & 0xFF) << (8 * n));
    }
    *said = std::string(NameOf(code)) + ": " + label;
    if (from >= 0) *said += std::string(" (no longer ") + kControlActions[from].label + ")";
}

void ControlClearKeys(int id) { Settings.*kControlActions[id].binding = 0; }

bool ReservedKey(int code) {
    return code == DIK_GRAVE || code == DIK_ESCAPE || code == DIK_RETURN || code == DIK_C || code == DIK_F12 ||
           code == DIK_TAB;
}

int NextOwnedWeapon(int weapon, const uint8_t owned[], int step) {
    const int w = ValidWeapon(weapon) ? weapon : WPN_KNIFE;
    for (int k = 1; k < WEAPON_COUNT; ++k) {
        const int next = ((w + step * k) % WEAPON_COUNT + WEAPON_COUNT) % WEAPON_COUNT;
        if (next == WPN_KNIFE || owned[next]) return next;
    }
    return w;
}
