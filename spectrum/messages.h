// Messages to the user. Every part of the core reports through ShowMessage;
// the program routes it to the utility library's message box, the converter
// to standard error.
#ifndef QUILLON_SPECTRUM_MESSAGES_H
#define QUILLON_SPECTRUM_MESSAGES_H

enum : int {
  IDS_CONVERT_BITMAP = 1,
  IDS_OPEN_DIB = 2,
  IDS_OPEN_FILTER = 200,
  IDS_WIDTH_FORMAT = 201,
  IDS_HEIGHT_FORMAT = 202,
  IDS_WPG_DATA = 203,
  IDS_BITMAP_DIMENSIONS = 205,
  IDS_OPEN_FILTER_MORE = 207,
  IDS_CANNOT_OPEN = 301,
  IDS_NO_MEMORY = 303,
  IDS_CANNOT_READ = 304,
  IDS_FORMAT_UNKNOWN = 306,
  IDS_NO_CURVE = 310,
  IDS_BAD_SI = 311,
  IDS_LOG_UNREADABLE = 312,
  IDS_NO_TEMP_FILE = 313,
  IDS_UNTRACEABLE_DEPTH = 314,
  IDS_INPUT_TOO_LARGE = 315,
  IDS_PIXEL_BUDGET = 316,
  IDS_PICTURE_UNREADABLE = 320,
  IDS_PREVIEW_NOT_WRITTEN = 321,
  IDS_NO_CURVE_AUTO = 322,
  IDS_FIELD_NOT_NUMBER = 330,
  IDS_FIELD_NOT_WHOLE = 331,
  IDS_FIELD_TOO_SMALL = 332,
  IDS_FIELD_NOT_ABOVE = 333,
  IDS_FIELD_TOO_LARGE = 334,
  IDS_SAME_LIMITS = 335,
  IDS_NO_PICTURE_TO_PASTE = 340,
  IDS_TRACE_WARNINGS = 341,
  IDS_MARK_NOT_NUMBER = 342,
  IDS_MARKS_AT_ONE_X = 343,
  IDS_MARK_VALUES_EQUAL = 344,
  IDS_LIMITS_FROM_AXIS = 345,
  IDS_NOT_A_NUCLEUS = 346,
  IDS_BAD_THRESHOLD = 347,
  IDS_BAD_COLOUR = 348,
  IDS_BAD_BOX = 349,
  IDS_HINT = 400,
  IDS_ZOOM = 401,
  IDS_PLACE_FIRST_MARK = 410,
  IDS_PLACE_SECOND_MARK = 411,
  IDS_PICK_COLOUR = 412,
  IDS_BUILD_DATE = 20000,
};

// Shows string `id` (and `secondId` when non-zero) to the user. `style` is the
// utility library's: 2 for a plain message, 6 for the bitmap-load failure.
void ShowMessage(int id, int secondId = 0, int style = 2);

// Shows string `id` used as a printf format for the values given (a message
// that names a limit or a field), with style 2.
void ShowMessageF(int id, ...);

// `text` is the whole text to show when the message carries values; null when
// the string table's texts of `id` and `secondId` are to be shown.
using MessageSink = void (*)(int id, int secondId, int style, const char* text);
// Installs where messages go; returns the previous sink. Without one they are dropped.
MessageSink SetMessageSink(MessageSink sink);

// The text of a string of the string table, or null; for front ends that have
// no resources to load it from.
const char* MessageText(int id);

#endif
