// Continuous shape measures: how far a coordination polyhedron is from an
// ideal reference polyhedron (Pinsky and Avnir, Inorg. Chem. 37, 5575 (1998);
// the measures of the program SHAPE). For ligand positions q_1..q_N and the
// central atom q_0 against a reference with vertices p_1..p_N and centre p_0,
//   S = 100 min sum_i |q_i - (s R p_pi(i) + t)|^2 / sum_i |q_i - qbar|^2,
// the sums running over the N + 1 points, qbar their centroid, the minimum
// over translation t, scale s, rotation R (reflections allowed) and every
// assignment pi of ligands to vertices; the central atom always pairs with
// the reference centre.
#pragma once

#include <span>
#include <vector>

#include "geometry/shape_references.h"
#include "crystal/vector.h"

struct TShapeFit {
  double Measure = 0;       // S; NaN when the points have no extent or do not fit the CN
  std::vector<int> Vertex;  // Vertex[i]: the reference vertex that ligand i is paired with
};

// The exact minimum over every assignment. points: the N ligand positions,
// then the central atom (Cartesian); N must be the reference's CN.
TShapeFit FitShape(std::span<const TVec3> points, const TShapeReference& reference);

// The same minimum found by trying all N! assignments (for tests and the
// benchmark; NaN above CN 10).
TShapeFit FitShapeByAllAssignments(std::span<const TVec3> points, const TShapeReference& reference);

// S for one assignment, minimised over translation, scale and rotation only.
// This is what the su propagation differentiates: by the envelope theorem the
// derivative of the minimum is that of the optimum's own assignment.
double ShapeMeasureOfAssignment(std::span<const TVec3> points, const TShapeReference& reference,
                                std::span<const int> vertex);

// The sum of the singular values of m: the largest value of trace(R m) over
// all orthogonal R (rotations and reflections). Accurate to a few units of
// rounding of the largest singular value, also for matrices of rank 1 or 2.
double SumOfSingularValues(const TMat3& m);

// The permutations of the reference's vertices that keep every distance
// between its points (the centre stays put): its symmetry as a vertex
// permutation group, identity first. Found once per reference.
const std::vector<std::vector<int>>& ReferenceSymmetry(const TShapeReference& reference);
