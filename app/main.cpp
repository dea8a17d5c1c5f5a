#include "app/CCommunicatorApp.h"

int main(int argc, char** argv) {
    vanteo::CCommunicatorApp app(argc, argv);
    return app.Run();
}
