// Contact tests in the floor plane and sounds placed relative to the player.
#include "game/contact.h"

#include <cmath>

#include "audio/sound.h"
#include "core/settings.h"

int CirclePushFromPoint(float ax, float az, float& x, float& z, float radius) {
    float ex = x - ax, ez = z - az;
    float q = ex * ex + ez * ez;
    if (!(q < radius * radius)) return 0;
    float dist = std::sqrt(q);
    // On the point itself the direction is undefined: it is a contact, but the centre stays put.
    if (dist == 0.0f) return 1;
    float nx = x + ex / dist * (radius - dist);
    float nz = z + ez / dist * (radius - dist);
    if (std::isfinite(nx) && std::isfinite(nz)) {
        x = nx;
        z = nz;
    }
    return 1;
}

int CirclePushFromSegment(const float centre[3], float radius, const Segment& s, float pushed[3]) {
    const float ax = s.x1, az = s.z1, bx = s.x2, bz = s.z2;
    if (ax == bx && az == bz) return 0;  // vertical lines of a drawing are no walls
    float px = centre[0], pz = centre[2];
    float dx = bx - ax, dz = bz - az;
    float wx = px - ax, wz = pz - az;
    float t = dx * wx + dz * wz;
    float len2 = dx * dx + dz * dz;
    int hit;
    if (t < 0) {
        hit = CirclePushFromPoint(ax, az, px, pz, radius);
    } else if (len2 < t) {
        hit = CirclePushFromPoint(bx, bz, px, pz, radius);
    } else {
        float len = std::sqrt(len2);
        float ux = dx / len, uz = dz / len;
        float sd = ux * wz - uz * wx;  // signed distance, positive on the side of (-uz, ux)
        float nx, nz;
        if (sd > 0) {
            if (!(sd < radius)) return 0;
            nx = px - uz * (radius - sd);
            nz = pz + ux * (radius - sd);
        } else {
            if (!(-radius < sd)) return 0;
            nx = px + uz * (sd + radius);
            nz = pz - ux * (sd + radius);
        }
        hit = 1;
        // Overflowing coordinates must not turn a position into NaN or infinity.
        if (std::isfinite(nx) && std::isfinite(nz)) px = nx, pz = nz;
    }
    if (!hit) return 0;
    pushed[0] = px;
    pushed[2] = pz;
    return 1;
}

int InSquare(const ObjectRecord& a, const ObjectRecord& b, float halfWidth) {
    return std::fabs(a.pos[0] - b.pos[0]) < halfWidth && std::fabs(a.pos[2] - b.pos[2]) < halfWidth;
}

int PlaySoundAt(const float relative[3], int buffer) {
    if (BufferStatus(buffer) == SB_LOST) return 1;
    float attenuation = std::sqrt(relative[0] * relative[0] + relative[2] * relative[2]) * 20 / 3;
    // trunc(a) < SOUNDVOL exactly when a < SOUNDVOL; testing the float first keeps a far (or NaN)
    // distance from overflowing the integer conversion.
    int volume = 0;
    if (attenuation < static_cast<float>(Settings.SOUNDVOL)) volume = Settings.SOUNDVOL - static_cast<int>(attenuation);
    if (volume < 0) volume = 0;
    PlayBuffer(buffer, 0, volume, 22000, 0);
    return 1;
}

int PlaySound(int buffer) { return PlaySoundAt(World.SoundOrigin, buffer); }

int SoundBufferFor(int row, int slot) {
    if (row < 0 || row >= SOUND_ROWS || slot < 0 || slot >= SOUND_SLOTS) return -1;
    return Sound.SoundTable[row][slot];
}
