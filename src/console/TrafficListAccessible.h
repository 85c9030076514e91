#pragma once

class TrafficListView;

// The traffic list holds up to the log's 5000 entries. Qt's own element for
// the tree view behind it offers every row as a child and maps children
// through the view's laid-out rows, which the view throws away whenever
// entries are dropped and rebuilds only at its next layout: a full read costs
// thousands of elements, and a read in between meets rows that are not there.
// This element offers the rows on screen instead, each found through the
// model, so a read costs what the eye sees and is right at any moment; the
// current row is announced when it changes, wherever it stands.
// Installs once; call before anything asks for the list's accessible element.
void installTrafficListAccessibility();
