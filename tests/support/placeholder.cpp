// Keeps the test-support library non-empty before any helper is added.
namespace kestrel_test {
int placeholder() { return 0; }
}
