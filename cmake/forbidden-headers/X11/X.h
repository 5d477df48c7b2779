#error "The portable core must not include operating-system or toolkit headers; put this code in a backend (src/ui/win32, src/ui/qt)."
