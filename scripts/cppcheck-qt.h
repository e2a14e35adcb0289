// What cppcheck needs of Qt's headers, which it does not read: the macro
// that #if conditions on the Qt version call.
#define QT_VERSION_CHECK(major, minor, patch) (((major) << 16) | ((minor) << 8) | (patch))
