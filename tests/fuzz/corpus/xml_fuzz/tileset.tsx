<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.10" name="ground" tilewidth="32" tileheight="32" tilecount="4" columns="2">
 <image source="qel://ground.png" width="64" height="64"/>
</tileset>
