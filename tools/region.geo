// The region of heat2d, meshed on exactly its 18 nodes: merge after a run's
// mesh.geo, which defines them as Point(1) to Point(18), in the run folder:
//   gmsh mesh.geo region.geo -2 -o region.msh
// The outline, counter-clockwise: 1 4 9 14 15 16 17 18 13 8 7 6 3 2.
outline[] = {1, 4, 9, 14, 15, 16, 17, 18, 13, 8, 7, 6, 3, 2};
For k In {0 : #outline[] - 1}
  Line(k + 1) = {outline[k], outline[(k + 1) % #outline[]]};
EndFor
Curve Loop(1) = {1 : #outline[]};
Plane Surface(1) = {1};
// The nodes inside the region.
Point{5, 10, 11, 12} In Surface{1};
// No node of the mesher's own, whatever the plate's size: the points' own
// size (mesh.geo's 15) is not used, so that the size is Gmsh's largest and
// no side is split, and MeshAdapt adds no node inside.
Mesh.MeshSizeFromPoints = 0;
Mesh.Algorithm = 1;
Mesh.MeshSizeExtendFromBoundary = 1;
Mesh.MeshSizeFromCurvature = 0;
