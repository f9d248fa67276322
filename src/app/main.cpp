#include "app/window_app.h"

int main(int argc, char** argv) {
    return veltra::app::RunWindowApp(argc, argv);
}
