// Trig tables, view transform and projection, the column occlusion buffer, clipping and the line rasteriser.
#pragma once
#include <cstdint>

#include "model/dxf.h"
#include "model/model.h"
#include "render/render.h"

// Fills SinTable and CosTable. Always 1; rebuilding gives the same values.
int BuildTrigTables();

// Brings an angle into 0..360 (360 stays 360). Every table lookup goes through it, so a stray angle
// never indexes outside the tables.
inline int32_t WrapAngle(int32_t a) { return (a >= 0 && a <= 360) ? a : ((a % 360) + 360) % 360; }

// Rotates both endpoints about the origin: about z, then x, then y, by angles (ax, ay, az).
void RotateSegment(Segment& segment, const int32_t angles[3]);

// Transforms and projects every segment of `mesh` into projected/visible (count entries each):
// object angles, then + rel, then eye angles, then the view-cube, near and perspective steps. The near
// step drops a segment with an end behind the near limit; with NEARCLIP one with an end in front of it is
// cut at the limit instead. visible[i] is 1 for an entry written this time, 0 for a culled one.
void ProjectFrame(const Mesh& mesh, ProjectedSegment* projected, uint8_t* visible, const float rel[3],
                  const int32_t objectAngles[3], const int32_t eyeAngles[3]);

// Raises the column buffer (SCREENX + 1 entries, larger = nearer) along the screen span xa..xb with the
// negated depths interpolated linearly. 0 when nothing was written (null buffer, span off screen or not
// a number), else 1. May write the guard entry SCREENX.
int AddOccluderSpan(float xa, float xb, float za, float zb, float* buffer);

// Clip one projected segment to columns 0..SCREENX-1 (X) or rows 0..SCREENY-1 (Y), in place, keeping the
// caller's endpoint order. 0 when the segment lies wholly outside, else 1.
int ClipSegmentX(float& x1, float& x2, float& y1, float& y2, float& z1, float& z2);
int ClipSegmentY(float& x1, float& x2, float& y1, float& y2, float& z1, float& z2);

// Rasterises a line of palette index `colour` into the frame (pixel (x, y) = pixels[x + y * pitch]).
// depth1/depth2 are negated depths; with depthTest a pixel is written only where
// depth + 0.008 >= column[x]. Coordinates must lie inside SCREENX x SCREENY; a line with an end outside
// (or a null frame) draws nothing, so no input can write out of bounds. A null column buffer turns the
// depth test off. Lines drawn into the frame being composed (FramePixels) mark the pixels they write
// (render/video.h). Returns 1.
int DrawLine(int x1, int y1, float depth1, int x2, int y2, float depth2, uint8_t colour, uint8_t* pixels, int32_t pitch,
             const float* column, int depthTest);

// Transforms and projects frame `frame` for an eye: object angles about the model's origin, then the
// offset objectPos - eyePos, then the eye angles. Fills projected/visible for every segment of the frame
// and sets drawnCount. 0 (nothing changed) when frame is outside 0..frameCount-1, else 1. A model
// without projection arrays only gets drawnCount 0.
int TransformModel(Model& model, int frame, const float eyePos[3], const int32_t eyeAngles[3], const float objectPos[3],
                   const int32_t objectAngles[3]);
