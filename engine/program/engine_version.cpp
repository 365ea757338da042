// The engine's version text: the project version CMake configures.
namespace qv {
const char* EngineVersion() { return QV_VERSION; }
}  // namespace qv
