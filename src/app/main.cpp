#include "app/writer_app.h"

int main(int argc, char** argv) { return tavro::ui::WriterApp().Run(argc, argv); }
