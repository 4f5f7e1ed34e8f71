// The hall: a room 30 by 40 game units with walls 1 thick and a round pillar, modelled as solids and
// cut at the floor. hall_openscad.dxf is what OpenSCAD 2021.01 writes of it:
//   openscad -o hall_openscad.dxf hall.scad
//   zarvo-level hall_openscad.dxf --data DIR --name HALL --walls 0 --start-at 10,8 --exit-at 24,34
projection(cut = true) translate([0, 0, -1]) {
    difference() {
        translate([-1, -1, 0]) cube([32, 42, 3]);
        translate([0, 0, -1]) cube([30, 40, 5]);
    }
    translate([10, 25, 0]) cylinder(r = 2, h = 3, $fn = 48);
}
