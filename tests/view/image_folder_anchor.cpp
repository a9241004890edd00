// A tiny shared object that the image set's tests copy into a private folder and load: an
// address inside it is a module handle whose file lies in that folder, so the image set looks
// for its pictures there.
extern "C" __attribute__((visibility("default"))) int qlv_image_folder_anchor() { return 42; }
