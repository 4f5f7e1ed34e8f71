// Object-type and weapon definition files: fill one world record from its file.
#pragma once

struct ObjectRecord;

// Loads an object-type file into `record`: models first, then the numbers, then the type effects on the
// level counters. 1 loaded; 0 when a model file failed (the record's numbers are then left unread).
int LoadObjectType(ObjectRecord& record, const char* file);
// Loads weapon file `file` into WeaponTable entry n (0..5): numbers first, then the models.
// 1 loaded; 0 when a model file failed or n is outside the table.
int LoadWeapon(int n, const char* file);
