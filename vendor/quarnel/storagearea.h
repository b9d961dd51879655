// What makes a database a storage area: the marker table that the design product creates in it, and
// the tables of its data types (empty in a new storage area). Shared by the access library, which
// recognises storage areas, and kx4anchor.exe, which makes them.
#pragma once

namespace vtrn {

inline constexpr const char* kMarkerTable = "vtrn_storage_area";

// The data types' tables, type 1 first.
inline constexpr const char* kDataTypeTables[26] = {
    "alterations",    "annotation_data",        "block_buffer_data",
    "cut_data",       "cut_parameter_tables",   "lay_limits",
    "lay_rules",      "lay_rule_search_tables", "macro_data",
    "markers",        "matching_data",          "mext_data",
    "models",         "marker_plot_parameter",  "notch_parameter",
    "orders",         "piece_list_data",        "pieces",
    "plot_data",      "plot_parameter",         "piece_plot_parameter",
    "raw_piece_data", "grade_rule_tables",      "size_code",
    "text_data",      "user_environment_tables"};

} // namespace vtrn
