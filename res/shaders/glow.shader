Post-processing of the demo: a soft glow that swells on the beat, scan lines and a vignette.
Lines before the first section marker are ignored. Each section keeps its line breaks, so line
comments and directives work, and the compiler counts lines from the one after the marker.
[vertex]
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
[fragment]
uniform sampler2D scene;
uniform float pulse;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 base = texture2D(scene, uv);
    vec4 glow = vec4(0.0);
    for (int i = -1; i <= 1; i++) {
        for (int j = -1; j <= 1; j++) {
            glow += texture2D(scene, uv + vec2(float(i), float(j)) * 0.008);
        }
    }
    glow = glow / 9.0;
    float scan = 0.88 + 0.12 * sin(gl_FragCoord.y * 3.14159);
    float vignette = 1.0 - 0.7 * dot(uv - vec2(0.5), uv - vec2(0.5));
    gl_FragColor = vec4((base.rgb + glow.rgb * (0.6 + 0.8 * pulse)) * scan * vignette, 1.0);
}
