// The generated models: every triangle must survive the renderer's culling from the side it is meant
// to be seen from, the closed shapes must have no holes, and the text must follow the model format.
#include "../../tools/CMeshBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

namespace {

struct Shape {
    const char* name;
    CMeshBuilder mesh;
    bool closed;
};

std::vector<Shape> Shapes() {
    return {{"torus", CMeshBuilder::Torus(60.0f, 22.0f, 48, 20, "torusskin"), true},
            {"tunnel", CMeshBuilder::TunnelSegment(120.0f, 60.0f, 24, "tunnelgrid"), false},
            {"cube", CMeshBuilder::Cube(30.0f, {1, 1, 1}, "nomap"), true},
            {"crystal", CMeshBuilder::Crystal(30.0f, {1, 1, 1}), true}};
}

TEST(CMeshBuilder, EveryTriangleIsClockwiseSeenFromWhereItsNormalsPoint) {
    for (const Shape& shape : Shapes()) {
        for (const CMeshBuilder::Object& o : shape.mesh.objects) {
            ASSERT_FALSE(o.faces.empty()) << shape.name;
            for (const auto& f : o.faces) {
                for (int k : f) {
                    ASSERT_GE(k, 0) << shape.name;
                    ASSERT_LT(k, int(o.positions.size())) << shape.name;
                }
                const glm::vec3 face =
                    CMeshBuilder::FaceNormal(o.positions[f[0]], o.positions[f[1]], o.positions[f[2]]);
                const glm::vec3 normal = o.normals[f[0]] + o.normals[f[1]] + o.normals[f[2]];
                EXPECT_GT(glm::dot(face, normal), 0.0f) << shape.name << ": a triangle faces away from its normals";
            }
        }
    }
}

TEST(CMeshBuilder, ClosedShapesShareEveryEdgeWithOneOppositeNeighbour) {
    // Grid seams repeat vertices, so edges are compared by position.
    using Key = std::tuple<long, long, long>;
    auto key = [](glm::vec3 p) { return Key{std::lround(p.x * 100), std::lround(p.y * 100), std::lround(p.z * 100)}; };
    for (const Shape& shape : Shapes()) {
        if (!shape.closed)
            continue;
        std::map<std::pair<Key, Key>, int> edges;
        for (const CMeshBuilder::Object& o : shape.mesh.objects)
            for (const auto& f : o.faces)
                for (int i = 0; i < 3; ++i)
                    ++edges[{key(o.positions[f[i]]), key(o.positions[f[(i + 1) % 3]])}];
        for (const auto& [edge, count] : edges) {
            EXPECT_EQ(count, 1) << shape.name << ": an edge is used twice in the same direction";
            auto back = edges.find({edge.second, edge.first});
            EXPECT_TRUE(back != edges.end() && back->second == 1) << shape.name << ": an open edge";
        }
    }
}

TEST(CMeshBuilder, TunnelFacesTheAxisAndTorusFacesOutwards) {
    const CMeshBuilder tunnel = CMeshBuilder::TunnelSegment(120.0f, 60.0f, 24, "grid");
    for (size_t i = 0; i < tunnel.objects[0].positions.size(); ++i) {
        const glm::vec3 p = tunnel.objects[0].positions[i], n = tunnel.objects[0].normals[i];
        EXPECT_LT(glm::dot(glm::vec2(p.x, p.y), glm::vec2(n.x, n.y)), 0.0f);
    }
    const CMeshBuilder torus = CMeshBuilder::Torus(60.0f, 22.0f, 12, 8, "skin");
    for (size_t i = 0; i < torus.objects[0].positions.size(); ++i) {
        const glm::vec3 p = torus.objects[0].positions[i], n = torus.objects[0].normals[i];
        const glm::vec3 centre = glm::normalize(glm::vec3(p.x, p.y, 0.0f)) * 60.0f;
        EXPECT_GT(glm::dot(p - centre, n), 0.0f);
        EXPECT_NEAR(glm::length(p - centre), 22.0f, 0.01f);
    }
}

// Reads the text back section by section, as the model loader does, and checks the counts agree
// with what follows them.
TEST(CMeshBuilder, WrittenTextFollowsTheModelFormat) {
    const CMeshBuilder mesh = CMeshBuilder::TunnelSegment(120.0f, 60.0f, 8, "tunnelgrid");
    std::istringstream in(mesh.Write());
    std::string line;
    auto next = [&]() {
        EXPECT_TRUE(std::getline(in, line)) << "the file ends early";
        return line;
    };
    ASSERT_EQ(std::stoi(next()), 2);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(next(), "StandardMaterial");
        for (int i = 0; i < 3; ++i) {
            float r, g, b;
            EXPECT_EQ(std::sscanf(next().c_str(), "%f %f %f", &r, &g, &b), 3);
        }
        next(); // power
        EXPECT_EQ(next(), "tunnelgrid");
        next();
        next();
    }
    ASSERT_EQ(std::stoi(next()), 2);
    for (const CMeshBuilder::Object& o : mesh.objects) {
        EXPECT_EQ(std::stoi(next()), o.material);
        const int vertices = std::stoi(next());
        EXPECT_EQ(vertices, int(o.positions.size()));
        for (int i = 0; i < vertices; ++i) {
            float v[6];
            EXPECT_EQ(std::sscanf(next().c_str(), "%f %f %f %f %f %f", v, v + 1, v + 2, v + 3, v + 4, v + 5), 6);
        }
        const int uvs = std::stoi(next());
        for (int i = 0; i < uvs; ++i) {
            float u, v;
            EXPECT_EQ(std::sscanf(next().c_str(), "%f %f", &u, &v), 2);
            EXPECT_GE(u, 0.0f); // the loader keeps only magnitudes
            EXPECT_GE(v, 0.0f);
        }
        const int faces = std::stoi(next());
        EXPECT_EQ(faces, int(o.faces.size()));
        for (int i = 0; i < faces; ++i) {
            int k[6];
            ASSERT_EQ(std::sscanf(next().c_str(), "%d %d %d %d %d %d", k, k + 1, k + 2, k + 3, k + 4, k + 5), 6);
            for (int j = 0; j < 3; ++j) {
                EXPECT_LT(k[j], vertices);
                EXPECT_LT(k[3 + j], uvs);
            }
        }
    }
    EXPECT_EQ(next(), "0");
    EXPECT_EQ(next(), "1 1 1 1");
    EXPECT_EQ(next(), "0");
    EXPECT_FALSE(std::getline(in, line)) << "text after the cameras: " << line;
}

} // namespace
