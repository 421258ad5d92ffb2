// The pictures themselves are compiled in by qt_add_resources; this unit gives the
// library an object file of its own.
namespace echora {
int resourcesVersion() { return 1; }
}  // namespace echora
