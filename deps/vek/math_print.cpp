// vek math printers for log lines.
#include "vek/math_print.h"

const glm::quat identity_quat = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);   // w, x, y, z

s32 print_quat(FILE* stream, const glm::quat* q) {
    if (!q) return print_to_file(stream, "quat{nullptr}");
    return print_to_file(stream, "quat{%{f32}, %{f32}, %{f32}, %{f32}}", (f64)q->x, (f64)q->y, (f64)q->z, (f64)q->w);
}

s32 print_vec3(FILE* stream, const glm::vec3* v) {
    if (!v) return print_to_file(stream, "v3{nullptr}");
    return print_to_file(stream, "v3{%{f32}, %{f32}, %{f32}}", (f64)v->x, (f64)v->y, (f64)v->z);
}

s32 print_side(FILE* stream, u32 side) {
    switch ((u8)side) {
        case 0: return print_to_file(stream, "red");
        case 1: return print_to_file(stream, "green");
        case 2: return print_to_file(stream, "blue");
        case 3: return print_to_file(stream, "none");
        default: return print_to_file(stream, "??");
    }
}

s32 print_mat3(FILE* stream, const glm::mat3* m) {
    if (!m) return print_to_file(stream, "mat3{nullptr}");
    const f32* e = &(*m)[0][0];   // column by column
    return print_to_file(stream,
                         "mat3 {\n    %+3.2f, %+3.2f, %+3.2f\n    %+3.2f, %+3.2f, %+3.2f\n    %+3.2f, %+3.2f, %+3.2f\n}",
                         (f64)e[0], (f64)e[1], (f64)e[2], (f64)e[3], (f64)e[4], (f64)e[5], (f64)e[6], (f64)e[7],
                         (f64)e[8]);
}

s32 print_mat4(FILE* stream, const glm::mat4* m) {
    if (!m) return print_to_file(stream, "mat4{nullptr}");
    const f32* e = &(*m)[0][0];
    // One printed line per row.
    return print_to_file(stream,
                         "mat4 {\n    %+3.2f, %+3.2f, %+3.2f, %+3.2f\n    %+3.2f, %+3.2f, %+3.2f, %+3.2f\n"
                         "    %+3.2f, %+3.2f, %+3.2f, %+3.2f\n    %+3.2f, %+3.2f, %+3.2f, %+3.2f\n}",
                         (f64)e[0], (f64)e[4], (f64)e[8], (f64)e[12], (f64)e[1], (f64)e[5], (f64)e[9], (f64)e[13],
                         (f64)e[2], (f64)e[6], (f64)e[10], (f64)e[14], (f64)e[3], (f64)e[7], (f64)e[11], (f64)e[15]);
}

void register_math_printers() {
    register_printer("->quat", print_quat, Printer_Kind::Pointer);
    register_printer("->vec3", print_vec3, Printer_Kind::Pointer);
    register_printer("->mat3", print_mat3, Printer_Kind::Pointer);
    register_printer("->mat4", print_mat4, Printer_Kind::Pointer);
    register_printer("Side", print_side, Printer_Kind::Int32);
}
