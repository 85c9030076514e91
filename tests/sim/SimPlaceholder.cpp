// Keeps the simulator library non-empty while it grows.
namespace kestrel_sim {
int placeholder() {
    return 0;
}
}  // namespace kestrel_sim
