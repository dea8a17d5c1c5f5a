#pragma once

#include <QStringList>
#include <string>

namespace vanteo {

// Turns a filter string of description and pattern pairs separated by '|' and ended by "||"
// ("KML Files (*.kml)|*.kml|All Files (*.*)|*.*||") into QFileDialog name filters
// ("KML Files (*.kml)", "All Files (*)"). The pattern "*.*" means every file, as on the desktop
// the tools were first written for; Qt would match only names with a dot, so it becomes "*".
// A description that does not already end with its patterns in parentheses gets them appended.
// Several patterns of one pair are separated by ';'. An incomplete last pair is ignored.
QStringList NameFiltersFromFilterString(const std::string& filter);

}  // namespace vanteo
