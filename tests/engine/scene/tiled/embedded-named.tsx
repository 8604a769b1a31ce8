<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" name="outside" tilewidth="16" tileheight="16" spacing="2" margin="3" tilecount="12" columns="4">
 <image source="margin.png" trans="ff00ff" width="73" height="55"/>
</tileset>
