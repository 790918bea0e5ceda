// OBJ reader: the accepted subset, de-duplication of corners, and the refusal of malformed input.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "mesh.h"
#include "panic_expect.h"

namespace {

// Parses from a heap block of exactly the text's size, with no terminating zero, so that the sanitizer
// build catches any read past the end.
Mesh parse(const std::string& text) {
    ensure_printer();
    char* exact = (char*)malloc(text.size() ? text.size() : 1);
    memcpy(exact, text.data(), text.size());
    Mesh mesh;
    parse_obj(&mesh, exact, text.size(), "test.obj");
    free(exact);
    return mesh;
}

void free_mesh(Mesh* mesh) {
    array_list_free(&mesh->vertices);
    array_list_free(&mesh->indices);
}

std::vector<u32> indices_of(const Mesh& mesh) {
    return std::vector<u32>(mesh.indices.data, mesh.indices.data + mesh.indices.count);
}

const char* triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nvn 0 0 -1\n";

TEST(ObjReader, IgnoredElementsOnlyGiveEmptyMesh) {
    Mesh mesh = parse("# a comment\n\nmtllib x.mtl\no thing\ns off\nusemtl red\nl 1 2\n\r\n");
    EXPECT_EQ(mesh.vertices.count, 0u);
    EXPECT_EQ(mesh.indices.count, 0u);
    EXPECT_EQ(mesh.index_buffer, VK_NULL_HANDLE);
    free_mesh(&mesh);
    Mesh nothing = parse("");
    EXPECT_EQ(nothing.indices.count, 0u);
    free_mesh(&nothing);
}

TEST(ObjReader, NumbersAndLineEnds) {
    Mesh mesh = parse(
        "v -1.5 .5 -.25 # trailing comment\r\n"
        "v 1. 2 3\r\n"
        "v 0.1234567891234 -0 7\r\n"
        "vt 0.25 0.75\r\n"
        "vn 0 0 1\r\n"
        "f 1/1/1 2/1/1 3/1/1\r\n");
    ASSERT_EQ(mesh.vertices.count, 3u);
    EXPECT_EQ(mesh.vertices.data[0].position, glm::vec3(-1.5f, 0.5f, -0.25f));
    EXPECT_EQ(mesh.vertices.data[1].position, glm::vec3(1.0f, 2.0f, 3.0f));
    // Fraction digits past the ninth are dropped.
    EXPECT_FLOAT_EQ(mesh.vertices.data[2].position.x, 0.123456789f);
    EXPECT_TRUE(std::signbit(mesh.vertices.data[2].position.y));
    EXPECT_EQ(mesh.vertices.data[0].uv, glm::vec2(0.25f, 0.25f));   // v is flipped
    EXPECT_EQ(mesh.vertices.data[0].normal, glm::vec3(0.0f, 0.0f, 1.0f));
    free_mesh(&mesh);
}

TEST(ObjReader, CornersShareVertices) {
    // The same face twice adds only indices.
    Mesh twice = parse(std::string(triangle) + "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 2/2/1 3/3/1\n");
    EXPECT_EQ(twice.vertices.count, 3u);
    EXPECT_EQ(indices_of(twice), (std::vector<u32>{0, 1, 2, 0, 1, 2}));
    free_mesh(&twice);

    // One position with two normals is two vertices.
    Mesh normals = parse(std::string(triangle) + "f 1/1/1 2/2/1 3/3/1\nf 1/1/2 3/3/1 2/2/1\n");
    EXPECT_EQ(normals.vertices.count, 4u);
    EXPECT_EQ(indices_of(normals), (std::vector<u32>{0, 1, 2, 3, 2, 1}));
    free_mesh(&normals);

    Mesh quad = parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                      "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nf 1/1/1 2/2/2 3/3/3\nf 1/1/1 3/3/3 4/4/4\n");
    EXPECT_EQ(quad.vertices.count, 4u);
    EXPECT_EQ(indices_of(quad), (std::vector<u32>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(quad.vertices.data[3].position, glm::vec3(0, 1, 0));
    EXPECT_EQ(quad.vertices.data[3].uv, glm::vec2(0, 0));
    free_mesh(&quad);
}

TEST(ObjReader, FacesMayReferToLaterElements) {
    Mesh mesh = parse("f 1/1/1 2/1/1 3/1/1\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0 0 1\n");
    ASSERT_EQ(mesh.vertices.count, 3u);
    EXPECT_EQ(mesh.vertices.data[2].position, glm::vec3(0, 1, 0));
    free_mesh(&mesh);
}

TEST(ObjReader, ManyCornersGrowTheLists) {
    // More corners and elements than the initial room of every list.
    std::string text;
    for (int i = 0; i < 700; i++) text += "v " + std::to_string(i) + " 0 0\nvt 0 0\nvn 0 0 1\n";
    for (int i = 0; i + 2 < 700; i++) {
        std::string a = std::to_string(i + 1), b = std::to_string(i + 2), c = std::to_string(i + 3);
        text += "f " + a + "/" + a + "/" + a + " " + b + "/" + b + "/" + b + " " + c + "/" + c + "/" + c + "\n";
    }
    Mesh mesh = parse(text);
    EXPECT_EQ(mesh.vertices.count, 700u);
    EXPECT_EQ(mesh.indices.count, 698u * 3);
    EXPECT_EQ(mesh.vertices.data[699].position.x, 699.0f);
    EXPECT_EQ(mesh.indices.data[698 * 3 - 1], 699u);
    free_mesh(&mesh);
}

using ObjReaderDeathTest = testing::Test;

TEST_F(ObjReaderDeathTest, UnknownMarkers) {
    // A fourth corner is dispatched as a marker at its first digit.
    std::string quad = std::string(triangle) + "f 1/1/1 2/2/1 3/3/1 4/1/1\n";
    size_t four = quad.find(" 4/") + 1;
    EXPECT_PANIC(parse(quad), "unknown marker \"4\" (pos: " + std::to_string(four) + ") in test.obj");
    EXPECT_PANIC(parse("g group\n"), "unknown marker \"g\" (pos: 0) in test.obj");
    EXPECT_PANIC(parse("v 1 2 3\nvp 1 2\n"), "unknown marker \"vp\" at 9 in test.obj");
    EXPECT_PANIC(parse("v\t1 2 3\n"), "unknown marker \"v\t\" at 1 in test.obj");
    // Extra components, a "+" and an exponent end where the number cannot go on.
    EXPECT_PANIC(parse("vt 0.5 0.5 0.0\n"), "unknown marker \"0\" (pos: 11) in test.obj");
    EXPECT_PANIC(parse("v 1 2 3 1\n"), "unknown marker \"1\" (pos: 8) in test.obj");
    EXPECT_PANIC(parse("v +1 2 3\n"), "unknown marker \"+\" (pos: 2) in test.obj");
    EXPECT_PANIC(parse("v 1e-3 2 3\n"), "unknown marker \"e\" (pos: 3) in test.obj");
}

TEST_F(ObjReaderDeathTest, MalformedFacesAreRefused) {
    std::string t = triangle;
    size_t base = t.size();
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2 3/3/1\n"), "missing separator \"/\" at offset " + std::to_string(base + 11));
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 3/0/1\n"), "index 0 at offset " + std::to_string(base + 16));
    EXPECT_PANIC(parse(t + "f -1/1/1 2/2/1 3/3/1\n"), "negative index at offset " + std::to_string(base + 2));
    EXPECT_PANIC(parse(t + "f 1//1 2//1 3//1\n"), "missing index at offset " + std::to_string(base + 4));
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 3/3/"), "face cut off by the end of the file at offset " +
                                                       std::to_string(base + 18) + " in test.obj");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1"), "face cut off by the end of the file");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 3/3"), "face cut off by the end of the file");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 4/3/1\n"), "position index 4 out of range at offset " +
                                                         std::to_string(base + 14) + " in test.obj (3 read)");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 3/4/1\n"), "texture coordinate index 4 out of range");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 3/3/3\n"), "normal index 3 out of range");
    // Beyond 32 bits: refused, not wrapped round to a valid index.
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 4294967297/3/1\n"), "position index");
    EXPECT_PANIC(parse(t + "f 1/1/1 2/2/1 99999999999999999999999/3/1\n"), "out of range");
}

TEST_F(ObjReaderDeathTest, MissingFile) {
    EXPECT_PANIC(load_obj("meshes/no_such_mesh.obj"), "Cannot read file: meshes/no_such_mesh.obj");
}

TEST_F(ObjReaderDeathTest, FileWithoutFacesPanicsNamingIt) {
    // An empty file, and one cut before its first face.
    for (const char* text : {"", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"}) {
        std::string path = testing::TempDir() + "obj_test_no_faces.obj";
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fputs(text, file);
        fclose(file);
        EXPECT_PANIC({
            bucket_array_init(&mesh_pool);
            load_obj(path.c_str());
        }, "OBJ file " + path + " has no faces");
        remove(path.c_str());
    }
}

TEST(ObjFiles, SameFileTwiceGivesTwoMeshes) {
    ensure_printer();
    bucket_array_init(&mesh_pool);
    const char* path = "render_test_triangle.obj";
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::string text = std::string(triangle) + "f 1/1/1 2/2/1 3/3/1\n";
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    Mesh* first = load_obj(path);
    Mesh* second = load_obj(path);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->vertices.count, 3u);
    EXPECT_EQ(second->vertices.count, 3u);
    EXPECT_NE(first->vertices.data, second->vertices.data);
    free_mesh(first);
    free_mesh(second);
    remove(path);
    bucket_array_destroy(&mesh_pool);
}

TEST(ObjFiles, EveryGeneratedMeshLoads) {
    ensure_printer();
    DIR* dir = opendir("meshes");
    if (dir == nullptr) GTEST_SKIP() << "no meshes/ folder in the run directory";
    bucket_array_init(&mesh_pool);
    u32 loaded = 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < 4 || name.substr(name.size() - 4) != ".obj") continue;
        Mesh* mesh = load_obj(("meshes/" + name).c_str());
        EXPECT_GT(mesh->indices.count, 0u) << name;
        EXPECT_EQ(mesh->indices.count % 3, 0u) << name;
        for (u32 i = 0; i < mesh->indices.count; i++) EXPECT_LT(mesh->indices.data[i], mesh->vertices.count) << name;
        free_mesh(mesh);
        loaded++;
    }
    closedir(dir);
    bucket_array_destroy(&mesh_pool);
    if (loaded == 0) GTEST_SKIP() << "no meshes written yet";
}

}  // namespace
