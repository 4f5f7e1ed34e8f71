// Contact tests in the floor plane (circle against segment or point, square proximity) and level sounds.
#pragma once
#include <cstdint>

#include "game/world.h"
#include "model/dxf.h"

// Pushes a circle out of a segment, in the x-z plane (y is ignored; only x1, z1, x2, z2 are read).
// centre and pushed are positions: [0] = x, [2] = z. On contact (the centre closer than radius to the
// segment) writes the pushed centre, exactly radius from the segment, into pushed[0] and pushed[2] and
// returns 1; otherwise writes nothing and returns 0. pushed may be the same array as centre.
// A segment of zero length never touches. A centre exactly on the segment's line goes to the side
// opposite the normal (-dz, dx). Never writes a non-finite position: a push that would, and a centre
// exactly on an end point, count as contact and leave the centre where it is.
int CirclePushFromSegment(const float centre[3], float radius, const Segment& segment, float pushed[3]);

// Pushes the centre (x, z) radially out of the point (ax, az) when it is closer than radius (strict):
// the centre ends radius from the point and 1 is returned; otherwise 0 and nothing changes.
// A centre exactly on the point is a contact that stays where it is (no direction to push in).
int CirclePushFromPoint(float ax, float az, float& x, float& z, float radius);

// 1 when |a.x - b.x| < halfWidth and |a.z - b.z| < halfWidth (both strict), else 0.
int InSquare(const ObjectRecord& a, const ObjectRecord& b, float halfWidth);

// Plays sound buffer `buffer` from its start, quieter with distance: relative is the emitter's position
// minus the player's (x and z read). Volume is SOUNDVOL less trunc(distance * 20 / 3), at least 0;
// nothing plays when the buffer reports itself lost. Always 1.
int PlaySoundAt(const float relative[3], int buffer);
// The same at full volume (from SoundOrigin). Always 1. Not to be confused with PlaySound(row, slot).
int PlaySound(int buffer);

// The buffer number the level's sound table holds for (row, slot), or -1 (plays nothing) for a row or
// slot outside the table, so any object type can name a row.
int SoundBufferFor(int row, int slot);
