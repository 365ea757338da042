// The engine's version text, from the build.
namespace qv {
const char* EngineVersion() { return "0.1.0"; }
}  // namespace qv
